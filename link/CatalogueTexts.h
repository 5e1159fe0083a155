#pragma once
// One name for every catalogue number the program shows. Line N of
// data/Message.E, .J and .C is message N; MessageCatalogue::Msg(n, values)
// fills %1, %2 ... in a text. A name that ends in First or Base starts a
// run of texts: the next ones are reached by adding to it.
namespace CatalogueTexts {

// The main window, its questions and the amplifier family buttons
inline constexpr int MsgAppTitle = 1;
inline constexpr int MsgReadDataTitle = 24;
inline constexpr int MsgFamilyQuestion = 48;
inline constexpr int MsgExitQuestion = 49;
inline constexpr int MsgPanelTitle1 = 51;
inline constexpr int MsgPanelTitle2 = 52;
// Five family buttons from here; the sixth has a text of its own.
inline constexpr int MsgFamilyButtonFirst = 86;
inline constexpr int MsgSixthFamilyButton = 190;
inline constexpr int MsgOtherPort = 328;

// The status panel, drawn from the drive state
inline constexpr int MsgLinkOpen = 45;
inline constexpr int MsgLinkClosed = 46;
inline constexpr int MsgServoOff = 53;  // 53 + servo state
inline constexpr int MsgModeUnknown = 55;
inline constexpr int MsgBxModeBase = 56;   // 56 + mode nibble
inline constexpr int MsgBxFieldA = 62;     // 62 + bits 11-8
inline constexpr int MsgBxFieldB = 64;     // 64 + bits 7-4
inline constexpr int MsgStatusBase = 151;  // 151 + status code
inline constexpr int MsgCommError = 167;   // the status text of the outage's status code

// Progress texts; the buttons and titles of the message dialogs
inline constexpr int MsgReading = 68;
inline constexpr int MsgWriting = 69;
// The standard captions run from here, in DialogButtons' order.
inline constexpr int MsgDialogYes = 71;
inline constexpr int MsgDialogNo = 72;
inline constexpr int MsgDialogOk = 73;
inline constexpr int MsgDialogCancel = 74;
inline constexpr int MsgDialogRetry = 76;
inline constexpr int MsgDialogTitleFirst = 1150;  // titles by DialogKind (Warning ... Confirmation)

// Buttons of the child windows
inline constexpr int MsgButtonOk = 341;
inline constexpr int MsgButtonCancel = 342;
inline constexpr int MsgButtonHelp = 343;
inline constexpr int MsgButtonClear = 344;
inline constexpr int MsgButtonClose = 346;
inline constexpr int MsgButtonOpen = 347;
inline constexpr int MsgButtonSave = 348;

// Monitor, I/O and alarm windows
inline constexpr int MsgOff = 82;
inline constexpr int MsgOn = 83;
inline constexpr int MsgSelectAll = 84;
inline constexpr int MsgUnknownAlarm = 120;
inline constexpr int MsgFirstAlarmCaption = 121;  // ten slot captions, latest first
inline constexpr int MsgInputGroup = 201;
inline constexpr int MsgFirstInput = 202;  // the input names follow
inline constexpr int MsgOutputGroup = 216;
inline constexpr int MsgFirstOutput = 217;  // the output names follow
inline constexpr int MsgHistoryUnread = 1100;
inline constexpr int MsgMonitorRow = 1166;  // %1 row number

// Trend window
inline constexpr int MsgTrend = 1033;  // the window's caption
inline constexpr int MsgVisibleWindow = 1034;
inline constexpr int MsgSampleEvery = 1035;
inline constexpr int MsgPause = 1036;
inline constexpr int MsgResume = 1037;
inline constexpr int MsgRecord = 1038;
inline constexpr int MsgStop = 1039;
inline constexpr int MsgExport = 1040;
inline constexpr int MsgTimeAxis = 1041;
inline constexpr int MsgAchieved = 1042;
inline constexpr int MsgTooSlow = 1043;
inline constexpr int MsgRecordingTo = 1044;
inline constexpr int MsgNotWritten = 1045;
inline constexpr int MsgChooseRows = 1046;
inline constexpr int MsgRecordTitle = 1047;
inline constexpr int MsgExportTitle = 1048;

// Parameter windows
inline constexpr int MsgNoUnit = 315;
inline constexpr int MsgGroupReadCancelled = 1190;

// Jog, tuning and direct access
inline constexpr int MsgAddress = 131;
inline constexpr int MsgValue = 132;
inline constexpr int MsgRead = 136;
inline constexpr int MsgWrite = 137;
inline constexpr int MsgRange = 173;
inline constexpr int MsgSpeedLoopGain = 299;
inline constexpr int MsgSpeedLoopIntegral = 300;
inline constexpr int MsgTuningTitle = 357;
inline constexpr int MsgFirstTuneMode = 358;  // the tuning modes follow
inline constexpr int MsgTuneStart = 362;
inline constexpr int MsgTuneIdle = 363;  // the tuning status texts follow, in the machine's order
inline constexpr int MsgTuneWaitServoOff = 364;
inline constexpr int MsgTuneFinished = 369;
inline constexpr int MsgWriteFailed = 374;
inline constexpr int MsgReadFailed = 375;
inline constexpr int MsgNotANumber = 1101;

// File dialogs
inline constexpr int MsgNewDir = 141;
inline constexpr int MsgNowDir = 142;
inline constexpr int MsgNewDirName = 143;
inline constexpr int MsgNewDirFailed = 195;
inline constexpr int MsgOpenName = 198;
inline constexpr int MsgSaveName = 199;
inline constexpr int MsgTypeFileName = 1154;
inline constexpr int MsgReplaceFile = 1155;

// File commands: open, save, compare, table and the production pass
inline constexpr int MsgRepeatQuestion = 47;
inline constexpr int MsgAmplifiersDone = 95;
inline constexpr int MsgResetCountQuestion = 96;
inline constexpr int MsgResetAndCount = 97;  // first of three captions
inline constexpr int MsgResetQuestion = 140;
inline constexpr int MsgIncludeQuestion = 144;
inline constexpr int MsgFillQuestion = 186;
inline constexpr int MsgFillFromAmplifier = 187;  // first caption; 188 "File" follows
inline constexpr int MsgWriteBackQuestion = 189;
inline constexpr int MsgLineCount = 191;
inline constexpr int MsgOpenFileTitle = 192;
inline constexpr int MsgFormatError = 193;
inline constexpr int MsgOpenTransferTitle = 196;
inline constexpr int MsgSaveAsTitle = 197;
inline constexpr int MsgSaveFileTitle = 200;
inline constexpr int MsgFile = 329;
inline constexpr int MsgAmplifier = 330;
inline constexpr int MsgConfirmHint = 379;
inline constexpr int MsgCompareStopped = 380;
inline constexpr int MsgCompareCancelled = 1191;
inline constexpr int MsgSaveStopped = 1156;    // %1 entry, %2 file
inline constexpr int MsgFormatErrorAt = 1157;  // %1 file, %2 line, %3 problem
inline constexpr int MsgFailedWrites = 1158;   // %1 failed, %2 tried

// Safe transfers: verify, preview, identity, backup, interrupted transfers, cancel
inline constexpr int MsgVerifying = 1005;
inline constexpr int MsgVerifyFailed = 1006;
inline constexpr int MsgVerified = 1007;
inline constexpr int MsgPreviewQuestion = 1008;
inline constexpr int MsgPreviewTitle = 1009;
inline constexpr int MsgColumnIndex = 1010;
inline constexpr int MsgColumnCurrent = 1011;
inline constexpr int MsgColumnFile = 1012;
inline constexpr int MsgColumnProtected = 1013;
inline constexpr int MsgWouldChange = 1014;
inline constexpr int MsgUnchanged = 1015;
inline constexpr int MsgProtected = 1016;
inline constexpr int MsgNotReadable = 1017;
inline constexpr int MsgMismatched = 1018;
inline constexpr int MsgIdentityQuestion = 1019;
inline constexpr int MsgBackingUp = 1020;
inline constexpr int MsgBackupFailed = 1021;
inline constexpr int MsgFailed = 1022;
inline constexpr int MsgLinkLostNoReadBack = 1050;
inline constexpr int MsgLinkLostAfterWrites = 1051;
inline constexpr int MsgInterrupted = 1052;
inline constexpr int MsgFinishOrRestore = 1053;
inline constexpr int MsgFinish = 1054;
inline constexpr int MsgLeaveFinishRestore = 1055;  // first of three captions
inline constexpr int MsgRemedyWithBackup = 1058;
inline constexpr int MsgRemedy = 1059;
inline constexpr int MsgIdentityUnreadable = 1167;  // %1 file, %2 reason
inline constexpr int MsgIdentityFamily = 1168;      // %1 file's, %2 amplifier's
inline constexpr int MsgIdentityFxVersion = 1169;
inline constexpr int MsgIdentityModel = 1170;
inline constexpr int MsgIdentityChanged = 1171;
inline constexpr int MsgCheckForeignHeader = 1172;  // %1 the connected kind
inline constexpr int MsgCheckLineCount = 1173;      // %1 data lines, %2 entries
inline constexpr int MsgCheckOutOfRange = 1174;     // %1 entry, %2 first, %3 last
inline constexpr int MsgCheckValueDigits = 1175;
inline constexpr int MsgCheckAddressDigits = 1176;
inline constexpr int MsgTableForeignFile = 1177;
inline constexpr int MsgTableLinesLeftOut = 1178;  // %1 lines, %2 the first line
inline constexpr int MsgTableReadStopped = 1179;   // %1 entry
inline constexpr int MsgBackupEntryUnread = 1180;  // %1 entry
inline constexpr int MsgBackupMade = 1181;         // %1 file
inline constexpr int MsgNotReadBack = 1290;
inline constexpr int MsgCancelledAfter = 1330;
inline constexpr int MsgSaveCancelled = 1331;

// Port, settings and catalogue errors
inline constexpr int MsgCannotOpen = 1023;
inline constexpr int MsgCannotOpenNamed = 1024;
inline constexpr int MsgNoDeviceAtAll = 1025;
inline constexpr int MsgNoDeviceListed = 1026;
inline constexpr int MsgPermissionAsk = 1027;
inline constexpr int MsgPermissionGroup = 1028;
inline constexpr int MsgBusy = 1029;
inline constexpr int MsgBusyHolders = 1030;
inline constexpr int MsgNotSerial = 1031;
inline constexpr int MsgNoHardware = 1032;
inline constexpr int MsgPermissionRelogin = 1102;
inline constexpr int MsgPortSetupFailed = 1159;   // %1 reason
inline constexpr int MsgSettingsNotSaved = 1160;  // %1 file, %2 reason
inline constexpr int MsgCatalogueUnreadable = 1161;
inline constexpr int MsgCannotRead = 1162;  // %1 file; the reason follows on the next line
inline constexpr int MsgCannotWrite = 1163;
inline constexpr int MsgCannotCreate = 1164;
inline constexpr int MsgPrint = 1165;
inline constexpr int MsgNetRefused = 1250;
inline constexpr int MsgNetUnreachable = 1251;
inline constexpr int MsgNetTimedOut = 1252;
inline constexpr int MsgNetUnknownHost = 1253;
inline constexpr int MsgNetBadAddress = 1254;
inline constexpr int MsgNetOther = 1255;

// Link
inline constexpr int MsgReadRetried = 1256;
inline constexpr int MsgOtherDrive = 1257;

}  // namespace CatalogueTexts
