#include "FakePppd.h"

#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace hostaq::test {

namespace {
const char* const Script = R"(#!/bin/sh
dir=$(dirname "$0")
echo "$*" >> "$dir/calls"
entry=""
secret=""
while [ $# -gt 0 ]; do
  case "$1" in
    call) entry="$2"; shift ;;
    file) secret="$2"; shift ;;
  esac
  shift
done
if [ -n "$secret" ]; then cat "$secret" > "$dir/secret"; fi
set -- $(cat "$dir/behaviour/$entry" 2>/dev/null)
case "$1" in
  ok)
    echo "Serial connection established."
    echo "Using interface ppp0"
    echo "Connect: ppp0 <--> /dev/ttyUSB0"
    echo "PAP authentication succeeded"
    echo "local  IP address $2"
    echo "remote IP address $3"
    echo "$entry $$ $2 $3" > "$dir/links/ppp0"
    exit 0 ;;
  fail)
    echo "Connect script failed"
    exit "$2" ;;
  hang)
    exec sleep 30 ;;
esac
exit 1
)";
} // namespace

TFakePppd::TFakePppd() {
    std::filesystem::create_directories(dir_.File("links"));
    std::filesystem::create_directories(dir_.File("behaviour"));
    std::filesystem::create_directories(dir_.File("peers"));
    WriteFileText(dir_.File("pppd"), Script);
    ::chmod(dir_.File("pppd").c_str(), 0755);
}

TPppSystem TFakePppd::System() {
    TPppSystem system;
    system.PppdPath = dir_.File("pppd");
    system.PeersFolder = dir_.File("peers");
    const std::string links = dir_.File("links");
    system.ListLinks = [links] {
        std::vector<TPppLink> out;
        std::vector<std::string> names;
        for (const auto& file : std::filesystem::directory_iterator(links))
            names.push_back(file.path().filename().string());
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            std::istringstream in(ReadFileText(links + "/" + name));
            TPppLink link;
            link.Interface = name;
            in >> link.Entry >> link.Pid >> link.LocalAddress >> link.PeerAddress;
            out.push_back(link);
        }
        return out;
    };
    system.EndPppd = [this](int pid) { ended_.push_back(pid); };
    return system;
}

void TFakePppd::Behave(const std::string& entry, const std::string& behaviour) const {
    WriteFileText(dir_.File("behaviour/" + entry), behaviour + "\n");
}

void TFakePppd::AddLink(const std::string& interface, const std::string& entry, int pid,
                        const std::string& local, const std::string& peer) const {
    WriteFileText(dir_.File("links/" + interface),
                  entry + " " + std::to_string(pid) + " " + local + " " + peer);
}

void TFakePppd::RemoveLink(const std::string& interface) const {
    std::filesystem::remove(dir_.File("links/" + interface));
}

void TFakePppd::AddPeer(const std::string& name) const {
    WriteFileText(dir_.File("peers/" + name), "/dev/ttyUSB0\n");
}

std::vector<std::string> TFakePppd::Calls() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadFileText(dir_.File("calls")));
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

std::string TFakePppd::Secret() const {
    return ReadFileText(dir_.File("secret"));
}

} // namespace hostaq::test
