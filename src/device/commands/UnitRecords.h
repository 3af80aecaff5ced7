#pragma once
// What the program keeps of the units it talked to, in the program data
// folder:
//
//   Backups/<serial number>-<yyyyMMdd-HHmmss>.Qzt
//       the unit's whole memory (256 bytes) as it was before the program
//       wrote to it, a configuration file that File > Open loads, so a
//       technician can put a unit back as it was;
//   Backups/History.csv
//       one line per device operation: time, command, serial number and
//       result, under a header line written when the file is created.

#include <chrono>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/ConfigImage.h"
#include "core/FileSystem.h"
#include "core/ValuesIni.h"

namespace qzt {

inline constexpr const char* kBackupsFolderName = "Backups";
inline constexpr const char* kHistoryFileName = "History.csv";
// Setup/BackupBeforeWrite=0 in Values.ini: no backups, and no extra read of
// the whole unit before Write to device.
inline constexpr const char* kBackupBeforeWriteKey = "BackupBeforeWrite";

// programDataDirectory + "Backups/" (with its trailing '/').
std::string BackupsFolder(const std::string& programDataDirectory);

// False only when Values.ini says BackupBeforeWrite=0.
bool BackupBeforeWriteEnabled(const ValuesIni& values);

// "<serial>-<yyyyMMdd-HHmmss>.Qzt" for the unit whose memory is `image`.
std::string BackupFileName(std::span<const std::uint8_t, kImageSize> image,
                           std::chrono::local_seconds time);

// Keeps `image` as a backup file (the folder created when missing). A name
// that is already taken (two operations within a second, in this program or
// another) gets "-2", "-3", ... before the extension, so no backup replaces
// another. The path it was written to; the error names the path tried.
Result<std::string> SaveUnitBackup(const std::string& programDataDirectory,
                                   std::span<const std::uint8_t, kImageSize> image,
                                   std::chrono::local_seconds time);

// "yyyy-MM-dd HH:mm:ss".
std::string HistoryTimeText(std::chrono::local_seconds time);

// One field of a CSV line: quoted (inner quotes doubled) when it holds a
// comma, a quote, a line break or leading or trailing blanks.
std::string CsvField(std::string_view text);

// Appends one row to a CSV file in one write, with the header line first when
// the file is new or empty (behind a UTF-8 byte-order mark with
// `byteOrderMark`); an empty `row` only makes sure of the header. The error
// says why the file could not be written.
Result<void> AppendCsvRow(const std::string& path, const std::vector<std::string>& header,
                          const std::vector<std::string>& row, bool byteOrderMark = false);

struct HistoryEntry {
    std::chrono::local_seconds time{};
    std::string command;       // the menu command's caption, without '&'
    std::string serialNumber;  // empty when the unit's number was not read
    std::string result;        // what the user was told, on one line
};

// Appends the entry's line to History.csv (with the header line first when
// the file is new or empty), in one write. The error says why the file could
// not be written; the operation itself is not affected.
Result<void> AppendHistory(const std::string& programDataDirectory, const HistoryEntry& entry);

}  // namespace qzt
