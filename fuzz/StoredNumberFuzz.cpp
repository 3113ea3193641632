// The stored-number reader meets whatever a settings file holds, under every kind of locale.
#include "settings/Locale.h"
#include "settings/RunTimeError.h"
#include "settings/Settings.h"
#include "settings/Variant.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    Locale locale;
    switch (data[0] % 4) {
    case 0:
        locale = Locale::DecimalPoint();
        break;
    case 1:
        locale = Locale::DecimalComma();
        break;
    case 2:
        locale.DecimalSeparator = ",";
        locale.GroupSeparator = "\xC2\xA0"; // a no-break space, as French writes thousands
        locale.ShortDateFormat = "yyyy-MM-dd";
        locale.TimeFormat = "HH 'h' mm";
        break;
    default:
        locale.DecimalSeparator = ".";
        locale.GroupSeparator = "";
        locale.ShortDateFormat = "M/d/yy";
        locale.TimeFormat = "h:mm:ss AP";
        break;
    }
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    try {
        const Variant number = ParseStoredNumber(Variant(text), locale);
        (void)number.ToText(locale);
    } catch (const RunTimeError&) {
        // A number too large to hold is the program's overflow error, which its callers report.
    }
    return 0;
}
