#include "settings/ErrorBoundary.h"

#include "settings/RunTimeError.h"

#include <new>
#include <utility>

namespace {
constexpr long kOutOfMemory = 7;
constexpr long kInternalError = 51;
} // namespace

void ReportHandlerError(UserInterface& ui, const std::string& handler, std::exception_ptr error) noexcept {
    long number = kInternalError;
    std::string description = "Internal error";
    try {
        std::rethrow_exception(std::move(error));
    } catch (const RunTimeError& e) {
        number = e.Number;
        description = e.Description;
    } catch (const std::bad_alloc&) {
        number = kOutOfMemory;
        description = "Out of memory";
    } catch (const std::exception& e) {
        description = e.what();
    } catch (...) {
    }
    try {
        ui.MsgBox("There has been an error # " + std::to_string(number) + " (" + description + ") in " +
                      handler + " ,please contact me on " + kSupportEmail,
                  MsgButtons::OK, MsgIcon::Critical, kProgramTitle);
    } catch (...) {
    }
}
