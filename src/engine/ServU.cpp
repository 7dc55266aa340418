#include "engine/ServU.h"

#include "config/IniFile.h"

namespace hostaq {

std::string ReplaceServUAddress(const std::string& value, const std::string& address) {
    const std::size_t bar = value.find('|');
    const std::string head = bar == std::string::npos ? std::string() : value.substr(0, bar + 1);
    const std::string rest = bar == std::string::npos ? value : value.substr(bar + 1);
    const std::size_t next = rest.find('|');
    const std::string kept = next == std::string::npos ? rest : rest.substr(next);
    return head + address + kept;
}

bool UpdateServUAddress(const std::string& iniPath, const std::string& address) {
    // The file is the FTP server's: edited in place, so it keeps its inode, owner and mode, and
    // through a symbolic link the file the server reads is the one changed.
    return IniUpdateInPlace(iniPath, [&](TIniDocument& doc) {
        for (const std::string& key : doc.KeyNames("Domains"))
            doc.WriteString("Domains", key, ReplaceServUAddress(doc.ReadString("Domains", key, ""), address));
        doc.WriteString("Global", "ReloadSettings", "TRUE");
        return true;
    });
}

} // namespace hostaq
