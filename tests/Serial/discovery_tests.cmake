# Tests of serial port discovery, kept apart from the port class tests.
varden_add_test(discovery_tests LABEL core
  SOURCES EnumerateSerialPortsTest.cpp
  LIBS varden_discovery)
