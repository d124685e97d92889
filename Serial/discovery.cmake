# Serial port discovery, kept in its own target beside varden_serial.
add_library(varden_discovery STATIC EnumerateSerialPorts.cpp SerialDiscoveryError.cpp)
target_include_directories(varden_discovery PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(varden_discovery PUBLIC varden_serial)
