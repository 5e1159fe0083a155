#pragma once
// The production record: one CSV line per unit a production pass or
// `servoctl transfer-line` wrote, appended to production.csv in the user's
// data folder. Each line is on the disk (written, flushed and synced) before
// the next unit starts; a last line cut short by a power failure is found on
// the next append, ended and left out of the counts.
//
// The production pass calls, after each unit's pass and verification:
//     ProductionUnit unit = MakeProductionUnit(state, panel, port, file, result, verify, reset,
//     counter); std::string error; if (!AppendProductionUnit(ProductionRecordPath(), unit,
//     error)) ... tell error
#include <string>
#include <vector>

#include "files/Verify.h"

struct ProductionUnit {
    std::string Time;  // ISO 8601, UTC
    std::string Host;
    std::string User;
    std::string Port;
    std::string Family;
    std::string Model;
    std::string CpuLabel;
    std::string EepLabel;
    std::string FilePath;
    std::string FileSha256;
    int Written = 0;
    int Protected = 0;
    int Failed = 0;
    int Mismatched = 0;
    bool Reset = false;
    int CommandCounter = 0;  // units of this run of the command, from 1
    int FileCounter = 0;     // units ever recorded with this file, from 1; set by the append
    std::string Result;      // "ok" or "failed"
};

// The record's header line and the field list of a unit, in column order.
const std::vector<std::string>& ProductionColumns();
std::vector<std::string> ProductionFields(const ProductionUnit& unit);

// One CSV line (without its line feed): fields with a comma, quote or line
// break are quoted, quotes doubled.
std::string CsvLine(const std::vector<std::string>& fields);
// The fields of one CSV line; false when its quotes do not close.
bool SplitCsvLine(const std::string& line, std::vector<std::string>& fields);

// <UserDataFolder()>/production.csv
std::string ProductionRecordPath();

// A unit from what the pass left: the connected amplifier, the file (hashed
// now), the counts of the pass and its verification, the reset, the counter.
ProductionUnit MakeProductionUnit(const DriveState& state, const MainPanel& panel,
                                  const std::string& port, const std::string& filePath,
                                  const PassResult& pass, const VerifyResult& verify, bool reset,
                                  int commandCounter);

// What an append found in the record before it wrote.
struct RecordState {
    int Units = 0;            // lines of every column ending in a result
    int DamagedLines = 0;     // lines skipped: cut short or not a unit
    bool EndsInLine = false;  // the file ends inside a line (cut short)
};
RecordState ReadRecordState(const std::string& content, const std::string& filePath,
                            int& fileUnits);

// Appends the unit (creating the record with its header line), setting its
// FileCounter; the line is synced to disk before this returns. False with the
// system's reason in error.
bool AppendProductionUnit(const std::string& recordPath, ProductionUnit& unit, std::string& error);
