#include "shell/SettingsLocation.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "shell/Settings.h"

namespace fs = std::filesystem;

namespace {

// A file every installation folder has.
constexpr char kMarkerFile[] = "Message.E";

std::string WithSeparator(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

std::string InstalledShare(const std::string& programFolder) {
    return WithSeparator(
        (fs::path(programFolder) / ".." / "share" / "servodesk").lexically_normal());
}

std::string ConfigFolder(const PlaceFacts& facts) {
    const bool usable = !facts.XdgConfigHome.empty() && facts.XdgConfigHome.front() == '/';
    return WithSeparator(usable ? facts.XdgConfigHome : WithSeparator(facts.Home) + ".config") +
           "servodesk/";
}

std::string DocumentsFolder(const PlaceFacts& facts) {
    const std::string documents = WithSeparator(facts.Home) + "Documents/";
    return facts.Exists(documents) ? documents : WithSeparator(facts.Home);
}

std::string DataFolder(const PlaceFacts& facts) {
    for (const std::string& folder :
         {facts.StartFolder, facts.ProgramFolder, InstalledShare(facts.ProgramFolder)}) {
        if (facts.Exists(folder + kMarkerFile)) return folder;
    }
    return facts.StartFolder;
}

}  // namespace

SettingsPlaces FindSettingsPlaces(const PlaceFacts& facts) {
    SettingsPlaces places;
    places.DataFolder = DataFolder(facts);
    const std::string startIni = facts.StartFolder + kInitFileName;
    const bool startIsShare = fs::path(facts.StartFolder).lexically_normal() ==
                              fs::path(InstalledShare(facts.ProgramFolder)).lexically_normal();
    // Only a folder set up for ServoDesk keeps its settings: a terminal start
    // in any other folder shares the menu launcher's.
    const bool setUpHere = facts.Exists(startIni) || facts.Exists(facts.StartFolder + kMarkerFile);
    if (setUpHere && facts.Writable(facts.StartFolder) && !startIsShare) {
        places.IniPath = startIni;
        places.WorkFolder = facts.StartFolder;
        return places;
    }
    places.IniPath = ConfigFolder(facts) + kInitFileName;
    if (facts.Exists(startIni)) places.ReadFallback = startIni;
    places.WorkFolder = DocumentsFolder(facts);
    return places;
}

InitSettings ReadSettings(const SettingsPlaces& places) {
    std::error_code error;
    if (!places.ReadFallback.empty() && !fs::exists(places.IniPath, error))
        return ReadInitIni(places.ReadFallback);
    return ReadInitIni(places.IniPath);
}

std::string ProgramFolder() {
    std::error_code failure;
    const fs::path program = fs::read_symlink("/proc/self/exe", failure);
    return failure ? std::string("./") : WithSeparator(program.parent_path().string());
}

std::string InstallationFolder(const std::string& programFolder) {
    const std::string folder = WithSeparator(programFolder);
    if (fs::exists(folder + kMarkerFile)) return folder;
    const std::string share = InstalledShare(folder);
    return fs::exists(share + kMarkerFile) ? share : folder;
}

PlaceFacts SystemPlaceFacts(const std::string& startFolder) {
    PlaceFacts facts;
    facts.StartFolder = WithSeparator(startFolder);
    facts.ProgramFolder = ProgramFolder();
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    facts.XdgConfigHome = xdg ? xdg : "";
    facts.Home = home && *home ? home : "/";
    facts.Exists = [](const std::string& path) {
        std::error_code error;
        return fs::exists(path, error);
    };
    facts.Writable = [](const std::string& folder) { return ::access(folder.c_str(), W_OK) == 0; };
    return facts;
}
