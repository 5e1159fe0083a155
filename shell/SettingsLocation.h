#pragma once
// Where Init.ini and the installation files are. Started from a folder set up
// for it (one that holds Init.ini or the installation files, such as the build
// tree's ServoDesk folder) that it may write to, ServoDesk keeps everything
// there as it always did. Started anywhere else, it keeps its settings in the
// user's configuration folder.
#include <functional>
#include <string>

struct SettingsPlaces {
    std::string IniPath;       // Init.ini to read and to rewrite at exit
    std::string ReadFallback;  // read instead while IniPath does not exist yet; may be empty
    std::string DataFolder;    // catalogues, type files, limit.ini, Main.Bmp
    std::string WorkFolder;    // where parameter files start when Init.ini names no folder
};

// What the rules look at; all folders end in a separator.
struct PlaceFacts {
    std::string StartFolder;
    std::string ProgramFolder;
    std::string XdgConfigHome;  // the variable's value; empty when unset
    std::string Home;
    std::function<bool(const std::string&)> Exists;
    std::function<bool(const std::string&)> Writable;  // a folder new files can be made in
};

// The start folder holds the settings when it already holds Init.ini or the
// installation files, is writable and is not the installed share folder;
// otherwise $XDG_CONFIG_HOME/servodesk/ (an unset or
// relative variable means ~/.config), with parameter files starting in
// ~/Documents, or ~ without one. Installation files come from the start
// folder when it has them, then from beside the program, then from the
// installed share/servodesk folder.
SettingsPlaces FindSettingsPlaces(const PlaceFacts& facts);

// Init.ini at IniPath, or the fallback while IniPath does not exist yet.
struct InitSettings;
InitSettings ReadSettings(const SettingsPlaces& places);

// The facts of this process: environment, its own program file, the file system.
PlaceFacts SystemPlaceFacts(const std::string& startFolder);

// The folder of the running program, with a trailing separator.
std::string ProgramFolder();
// Where the installation files are for a program that has no start folder
// of its own (servoctl): beside it, else in the installed share folder.
std::string InstallationFolder(const std::string& programFolder);
