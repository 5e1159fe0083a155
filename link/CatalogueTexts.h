#pragma once
// Catalogue numbers of texts that several layers show: dialog titles, file
// and settings errors, the file and identity checks. %1, %2 ... in a text are
// filled by MessageCatalogue::Msg(n, values).
namespace CatalogueTexts {

// Titles of the message dialogs, by DialogKind (Warning ... Confirmation).
constexpr int MsgDialogTitleFirst = 1150;

constexpr int MsgTypeFileName = 1154;
constexpr int MsgReplaceFile = 1155;
constexpr int MsgSaveStopped = 1156;       // %1 entry, %2 file
constexpr int MsgFormatErrorAt = 1157;     // %1 file, %2 line, %3 problem
constexpr int MsgFailedWrites = 1158;      // %1 failed, %2 tried
constexpr int MsgPortSetupFailed = 1159;   // %1 reason
constexpr int MsgSettingsNotSaved = 1160;  // %1 file, %2 reason
constexpr int MsgCatalogueUnreadable = 1161;
constexpr int MsgCannotRead = 1162;  // %1 file; the reason follows on the next line
constexpr int MsgCannotWrite = 1163;
constexpr int MsgCannotCreate = 1164;
constexpr int MsgPrint = 1165;
constexpr int MsgMonitorRow = 1166;  // %1 row number

constexpr int MsgIdentityUnreadable = 1167;  // %1 file, %2 reason
constexpr int MsgIdentityFamily = 1168;      // %1 file's, %2 amplifier's
constexpr int MsgIdentityFxVersion = 1169;
constexpr int MsgIdentityModel = 1170;
constexpr int MsgIdentityChanged = 1171;

constexpr int MsgCheckForeignHeader = 1172;  // %1 the connected kind
constexpr int MsgCheckLineCount = 1173;      // %1 data lines, %2 entries
constexpr int MsgCheckOutOfRange = 1174;     // %1 entry, %2 first, %3 last
constexpr int MsgCheckValueDigits = 1175;
constexpr int MsgCheckAddressDigits = 1176;

constexpr int MsgTableForeignFile = 1177;
constexpr int MsgTableLinesLeftOut = 1178;  // %1 lines, %2 the first line
constexpr int MsgTableReadStopped = 1179;   // %1 entry
constexpr int MsgBackupEntryUnread = 1180;  // %1 entry
constexpr int MsgBackupMade = 1181;         // %1 file

}  // namespace CatalogueTexts
