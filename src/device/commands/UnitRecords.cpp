#include "device/commands/UnitRecords.h"

#include <cerrno>
#include <cstdio>

#include "config/ImageFields.h"
#include "core/FileHandle.h"
#include "core/FileOs.h"
#include "core/FileSystem.h"
#include "core/StartUp.h"
#include "text/Text.h"

namespace qzt {
namespace {

// More backups of one unit within one second than this are not kept apart.
constexpr int kMaxSameNameBackups = 100;

struct TimeParts {
    int year;
    unsigned month, day;
    long hour, minute, second;
};

TimeParts PartsOf(std::chrono::local_seconds time) {
    using namespace std::chrono;
    const local_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss<seconds> clock{time - day};
    return {static_cast<int>(date.year()),
            static_cast<unsigned>(date.month()),
            static_cast<unsigned>(date.day()),
            static_cast<long>(clock.hours().count()),
            static_cast<long>(clock.minutes().count()),
            static_cast<long>(clock.seconds().count())};
}

}  // namespace

std::string BackupsFolder(const std::string& programDataDirectory) {
    return programDataDirectory + kBackupsFolderName + "/";
}

bool BackupBeforeWriteEnabled(const ValuesIni& values) {
    return values.ReadValue(kSetupSection, kBackupBeforeWriteKey) != "0";
}

std::string BackupFileName(std::span<const std::uint8_t, kImageSize> image,
                           std::chrono::local_seconds time) {
    const TimeParts t = PartsOf(time);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d%02u%02u-%02ld%02ld%02ld", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return SerialNumberText(image) + "-" + stamp + ".Qzt";
}

Result<std::string> SaveUnitBackup(const std::string& programDataDirectory,
                                   std::span<const std::uint8_t, kImageSize> image,
                                   std::chrono::local_seconds time) {
    const std::string folder = BackupsFolder(programDataDirectory);
    const std::string name = BackupFileName(image, time);
    std::string path = folder + name;
    auto fail = [&path](int code) -> Result<std::string> {
        return Error::System(code != 0 ? code : EIO, path);
    };
    // Without a data folder there is nowhere to keep it (and never the
    // current directory).
    if (programDataDirectory.empty()) {
        return fail(ENOENT);
    }
    if (!CreateFolder(StripTrailingSeparators(folder))) {
        return fail(errno);
    }
    const std::string stem = name.substr(0, name.size() - ExtensionOf(name).size());
    const std::string_view bytes(reinterpret_cast<const char*>(image.data()), image.size());
    for (int n = 1; n <= kMaxSameNameBackups; ++n) {
        path = folder + (n == 1 ? name : stem + "-" + std::to_string(n) + ExtensionOf(name));
        // Created only when the name is free, in one step: another program
        // saving a backup of the same unit in the same second takes the next
        // name instead of replacing this one.
        FileHandle fd(os::CreateNew(path));
        if (!fd.IsOpen()) {
            if (errno == EEXIST) {
                continue;
            }
            return fail(errno);
        }
        errno = 0;
        if (WriteAll(fd.get(), bytes) && os::Flush(fd.get()) && fd.Close()) {
            return path;
        }
        const int error = errno;
        fd.Close();
        os::RemoveFile(path);
        return fail(error);
    }
    return fail(EEXIST);
}

std::string HistoryTimeText(std::chrono::local_seconds time) {
    const TimeParts t = PartsOf(time);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02ld:%02ld:%02ld", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

std::string CsvField(std::string_view text) {
    const bool quoted = text.find_first_of(",\"\r\n") != std::string_view::npos ||
                        (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quoted) {
        return std::string(text);
    }
    std::string field = "\"";
    for (char c : text) {
        if (c == '"') {
            field += '"';
        }
        field += c;
    }
    return field + '"';
}

namespace {

std::string CsvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i != 0) {
            line += ',';
        }
        line += CsvField(fields[i]);
    }
    return line + "\n";
}

}  // namespace

Result<void> AppendCsvRow(const std::string& path, const std::vector<std::string>& header,
                          const std::vector<std::string>& row, bool byteOrderMark) {
    auto fail = [&]() -> Result<void> { return Error::System(errno != 0 ? errno : EIO, path); };
    FileHandle fd(os::OpenForAppending(path));
    if (!fd.IsOpen()) {
        return fail();
    }
    os::FileInfo info;
    std::string lines;
    if (os::StatOpen(fd.get(), info) && info.isRegular && info.size == 0) {
        lines = (byteOrderMark ? "\xEF\xBB\xBF" : "") + CsvLine(header);
    }
    if (!row.empty()) {
        lines += CsvLine(row);
    }
    if (!WriteAll(fd.get(), lines) || !fd.Close()) {
        return fail();
    }
    return {};
}

Result<void> AppendHistory(const std::string& programDataDirectory, const HistoryEntry& entry) {
    const std::string folder = BackupsFolder(programDataDirectory);
    if (programDataDirectory.empty()) {
        return Error::System(ENOENT, folder);
    }
    if (!CreateFolder(StripTrailingSeparators(folder))) {
        return Error::System(errno != 0 ? errno : EIO, folder);
    }
    return AppendCsvRow(
        folder + kHistoryFileName,
        {Text(txt::HistoryTime), Text(txt::HistoryCommand), Text(txt::SerialNumber),
         Text(txt::HistoryResult)},
        {HistoryTimeText(entry.time), entry.command, entry.serialNumber, entry.result});
}

}  // namespace qzt
