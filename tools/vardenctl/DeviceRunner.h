// A device command on one device or on several at once. With more than one
// (--port given again, --device, --all) each device gets a process of its
// own, so the devices share nothing that one could spoil for another; their
// output comes back line by line prefixed by the port, then one result line
// each. An interrupt goes on to every device.
#pragma once

#include "CommandLine.h"

// How a command's file argument is shared out between several devices.
enum class DeviceArgs {
    Same,         // every device takes the argument as it is (write IN)
    FolderEach,   // DIR/<port> for each device (backup DIR)
    FileEach,     // OUT with the port before the extension (read OUT)
    FolderOrSame  // DIR/<port> where the backup has one, else DIR (restore)
};

// Runs run(cl) once per device the command line names, with --port set to
// the device. EXIT_OK only when every device succeeded.
int RunOnDevices(const CommandLine& cl, int (*run)(const CommandLine&), DeviceArgs eArgs);

// The folder or file name part for a port: "/dev/pts/3" -> "dev_pts_3",
// "rfc2217://rack1:7001" -> "rfc2217_rack1_7001".
std::string PortFileName(const std::string& strPort);
