#include "core/UserInterface.h"

#include <clocale>
#include <ctime>
#include <string>

namespace qzt {

void Messages::ShowErrorWithReason(const std::string& text, const std::string&) {
    ShowError(text);
}

std::optional<std::string> FilePickers::ChooseFileToOpen(const FileDialogOptions&) {
    return std::nullopt;
}

std::optional<std::string> FilePickers::ChooseFileToSave(const FileDialogOptions&) {
    return std::nullopt;
}

std::optional<std::string> FilePickers::ChooseFolder(const std::string&, const std::string&) {
    return std::nullopt;
}

void StatusDisplay::SetStatusText(const std::string&) {}

std::string StatusDisplay::StatusText() const {
    return {};
}

void StatusDisplay::SetTitle(const std::string&) {}

void StatusDisplay::BeginBusy() {}

void StatusDisplay::EndBusy() {}

void StatusDisplay::ProcessPendingMessages() {}
namespace {

// Dates and names as the C library's current locale gives them: the console
// tool sets it from the environment, so its dates read as the user's.
class CLibraryLocale : public FormLocale {
  public:
    std::string ShortDate(std::chrono::year_month_day date) const override {
        std::tm tm = TmOf(date);
        return Format(Field::Date, tm);
    }
    std::string WeekdayName(std::chrono::weekday weekday) const override {
        std::tm tm{};
        tm.tm_wday = static_cast<int>(weekday.c_encoding() % 7);
        return Format(Field::Weekday, tm);
    }
    std::string MonthName(std::chrono::month month) const override {
        std::tm tm{};
        tm.tm_mon = static_cast<int>((static_cast<unsigned>(month) + 11) % 12);
        return Format(Field::Month, tm);
    }
    char32_t DecimalSeparator() const override {
        const std::lconv* conventions = std::localeconv();
        const char* point = conventions != nullptr ? conventions->decimal_point : nullptr;
        // A separator of more than one byte is not a single key.
        if (point == nullptr || point[0] == '\0' || point[1] != '\0' ||
            static_cast<unsigned char>(point[0]) > 0x7F) {
            return U'.';
        }
        return static_cast<char32_t>(point[0]);
    }

  private:
    static std::tm TmOf(std::chrono::year_month_day date) {
        std::tm tm{};
        tm.tm_year = static_cast<int>(date.year()) - 1900;
        tm.tm_mon = static_cast<int>(static_cast<unsigned>(date.month())) - 1;
        tm.tm_mday = static_cast<int>(static_cast<unsigned>(date.day()));
        tm.tm_wday =
            static_cast<int>(std::chrono::weekday{std::chrono::sys_days{date}}.c_encoding());
        return tm;
    }
    enum class Field { Date, Weekday, Month };
    static std::string Format(Field field, const std::tm& tm) {
        char text[128];
        std::size_t length = 0;
        switch (field) {
            case Field::Date:
// The locale's own date format, two-digit years and all: that is how the
// user reads dates elsewhere on this computer.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-y2k"
                length = std::strftime(text, sizeof text, "%x", &tm);
#pragma GCC diagnostic pop
                break;
            case Field::Weekday:
                length = std::strftime(text, sizeof text, "%A", &tm);
                break;
            case Field::Month:
                length = std::strftime(text, sizeof text, "%B", &tm);
                break;
        }
        return std::string(text, length);
    }
};

}  // namespace

void FormBinding::ShowForm(const FormModel&) {}

void FormBinding::ReadForm(FormModel&) {}

bool RadioCodesEditor::EditRadioCodes(const RadioCodes&, RadioCodes&) {
    return false;
}

void StatusDisplay::ShowProgress(std::size_t, std::size_t) {}

void StatusDisplay::EndProgress() {}

const FormLocale& UserClock::Locale() const {
    static const CLibraryLocale kLocale;
    return kLocale;
}

std::chrono::local_seconds UserClock::LocalTimeNow() const {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    // The C runtime's thread-safe form, its arguments the other way round.
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    using namespace std::chrono;
    const year_month_day date{year{local.tm_year + 1900},
                              month{static_cast<unsigned>(local.tm_mon + 1)},
                              day{static_cast<unsigned>(local.tm_mday)}};
    // A leap second (tm_sec 60) is shown as the last second of the minute.
    return local_days{date} + hours{local.tm_hour} + minutes{local.tm_min} +
           seconds{local.tm_sec > 59 ? 59 : local.tm_sec};
}

}  // namespace qzt
