#pragma once
// Qt's own texts (the print dialog, the edit menus' standard entries) follow
// the language chosen in the Language menu, not the desktop's.

// Installs Qt's translation of language (0 Japanese, 1 English, 2 Chinese) in
// place of the one installed before; English needs none. False when the
// translation file is missing: Qt's texts then stay English.
bool FollowLanguageInQtTexts(int language);
