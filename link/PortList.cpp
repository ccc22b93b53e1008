#include "PortList.h"

#include <QSerialPortInfo>

namespace tservice {

std::vector<std::string> EnumeratePorts() {
    std::vector<std::string> names;
    const auto ports = QSerialPortInfo::availablePorts();
    names.reserve(static_cast<std::size_t>(ports.size()));
    for (const QSerialPortInfo& info : ports) names.push_back(info.portName().toStdString());
    return names;
}

}  // namespace tservice
