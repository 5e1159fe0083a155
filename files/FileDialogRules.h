#pragma once
// The name and folder rules of the file dialogs, kept apart from the windows
// so that they are tested without one.
#include <string>
#include <utility>
#include <vector>

// "BX files|*.src|DX files|*.hdt" as (label, pattern) pairs.
std::vector<std::pair<std::string, std::string>> FilterEntries(const std::string& filter);
// The extension of the filter's first pattern (".src"); empty for "*.*".
std::string FilterExtension(const std::string& filter);

// A name with a dot is used as typed; otherwise the extension is appended.
std::string NameWithExtension(const std::string& name, const std::string& extension);
// Joins a folder and a name with the platform's separator; an absolute name
// stands alone.
std::string JoinPath(const std::string& folder, const std::string& name);
// The folder with one trailing separator, as remembered in the settings.
std::string WithSeparator(const std::string& folder);

// The path a dialog accepts for the typed name, or empty when no file name
// was typed (an empty name would make a file that is only an extension).
std::string AcceptedPath(const std::string& folder, const std::string& typedName,
                         const std::string& extension);

// The viewer's path label: past 75 characters it breaks after the last
// separator among the first 75; without one it stays whole.
std::string PathLabelText(const std::string& path);

// The lines a viewer's text is saved as: none for an empty text, and a final
// line break ends the last line rather than starting another one.
std::vector<std::string> TextLines(const std::string& text);
