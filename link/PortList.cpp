#include "PortList.h"

#include <charconv>

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QUrl>

namespace tservice {

std::vector<std::string> EnumeratePorts() {
    std::vector<std::string> names;
    for (const PortEntry& entry : EnumeratePortEntries()) {
        if (entry.name.find('/') == std::string::npos) names.push_back(entry.name);
    }
    return names;
}

std::vector<PortEntry> EnumeratePortEntries() {
    std::vector<PortEntry> entries;
    std::vector<QString> locations;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        entries.push_back({info.portName().toStdString(), info.description().toStdString(),
                           info.manufacturer().toStdString(), info.serialNumber().toStdString()});
        locations.push_back(QFileInfo(info.systemLocation()).canonicalFilePath());
    }
#ifdef Q_OS_LINUX
    // Stable names of USB adapters: the same adapter keeps its link whatever
    // ttyUSBn it gets at this plug-in.
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    const std::size_t ports = entries.size();
    for (const QFileInfo& link : byId.entryInfoList(QDir::System | QDir::Files, QDir::Name)) {
        PortEntry entry{link.absoluteFilePath().toStdString(), {}, {}, {}};
        for (std::size_t i = 0; i < ports; ++i) {
            if (!locations[i].isEmpty() && locations[i] == link.canonicalFilePath()) {
                entry.description = entries[i].description;
                entry.manufacturer = entries[i].manufacturer;
                entry.serialNumber = entries[i].serialNumber;
            }
        }
        entries.push_back(std::move(entry));
    }
#endif
    return entries;
}

std::string PortLabel(const PortEntry& entry) {
    std::string details;
    for (const std::string* part : {&entry.description, &entry.manufacturer, &entry.serialNumber}) {
        if (part->empty()) continue;
        if (!details.empty()) details += ", ";
        details += *part;
    }
    return details.empty() ? entry.name : entry.name + " — " + details;
}

bool IsTcpPortName(const std::string& name) { return name.rfind("tcp://", 0) == 0; }

bool ParseTcpPortName(const std::string& name, TcpAddress* out, std::string* error) {
    const auto fail = [&](const std::string& why) {
        if (error != nullptr) *error = "адрес " + name + ": " + why + "; ожидается tcp://УЗЕЛ:ПОРТ";
        return false;
    };
    if (!IsTcpPortName(name)) return fail("не начинается с tcp://");
    const std::string rest = name.substr(6);
    const auto colon = rest.rfind(':');
    const std::string portText = colon == std::string::npos ? std::string() : rest.substr(colon + 1);
    int port = 0;
    const auto [end, ec] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (portText.empty() || portText.front() == '+' || ec != std::errc() ||
        end != portText.data() + portText.size() || port < 1 || port > 65535) {
        return fail("нужен порт от 1 до 65535");
    }
    // The host as a URL takes it (a name, IPv4, or IPv6 in brackets).
    const QUrl url(QString::fromStdString("tcp://" + rest.substr(0, colon)), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty() || !url.path().isEmpty() ||
        url.hasQuery() || url.hasFragment() || url.port() != -1) {
        return fail("неверный узел");
    }
    if (out != nullptr) *out = {url.host().toStdString(), port};
    return true;
}

}  // namespace tservice
