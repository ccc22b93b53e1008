#pragma once
// The ports the system knows, for the port settings dialog, and the names of
// network ports (a serial-to-Ethernet gateway as tcp://HOST:PORT).
#include <string>
#include <vector>

namespace tservice {

// Port names (as QSerialPortInfo::portName gives them, e.g. ttyUSB0 or COM3)
// in the system's order. Empty when there are none; never throws.
std::vector<std::string> EnumeratePorts();

// One port of the list with what the system knows about it (may be empty).
struct PortEntry {
    std::string name;
    std::string description;
    std::string manufacturer;
    std::string serialNumber;
};

// The ports of EnumeratePorts with their descriptions, followed on Linux by
// the links under /dev/serial/by-id (described as the port they lead to).
// Never throws.
std::vector<PortEntry> EnumeratePortEntries();

// "name — description, maker, serial", the parts the system knows; the bare
// name when it knows none.
std::string PortLabel(const PortEntry& entry);

// A gateway reached over TCP.
struct TcpAddress {
    std::string host;  // name, IPv4 or IPv6 address (without brackets)
    int port = 0;      // 1..65535
};

// Whether name asks for a TCP connection (starts with "tcp://").
bool IsTcpPortName(const std::string& name);

// Parses tcp://HOST:PORT; nothing may follow the port. false for anything
// else, with the reason in Russian in *error when error is given; out may be
// null (a check only).
bool ParseTcpPortName(const std::string& name, TcpAddress* out, std::string* error = nullptr);

}  // namespace tservice
