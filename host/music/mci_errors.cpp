#include "mci_errors.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace quillmere {

namespace {

struct ErrorEntry {
    std::int32_t code;
    const char* text;
};

constexpr ErrorEntry kErrors[] = {
    {kMciErrUnrecognizedKeyword, "The driver cannot recognize the specified command parameter."},
    {kMciErrUnrecognizedCommand, "The driver cannot recognize the specified command."},
    {kMciErrHardware,
     "There is a problem with your media device. Make sure it is working correctly or contact "
     "the device manufacturer."},
    {kMciErrInvalidDeviceName, "The specified device is not open or is not recognized by MCI."},
    {kMciErrDeviceOpen,
     "The device name is already being used as an alias by this application. Use a unique "
     "alias."},
    {kMciErrCannotLoadDriver,
     "There is an undetectable problem in loading the specified device driver."},
    {kMciErrMissingCommandString, "No command was specified."},
    {kMciErrBadInteger, "The specified integer is invalid for this command."},
    {kMciErrMissingParameter, "The specified command requires a parameter. Please supply one."},
    {kMciErrUnsupportedFunction,
     "The MCI device you are using does not support the specified command."},
    {kMciErrFileNotFound,
     "Cannot find the specified file. Make sure the path and filename are correct."},
    {kMciErrDeviceNotReady, "The device driver is not ready."},
    {kMciErrCannotUseAll, "Cannot use 'all' as the device name with the specified command."},
    {kMciErrOutOfRange, "The specified parameter is out of range for the specified command."},
    {kMciErrDuplicateAlias,
     "The specified alias is already being used in this application. Use a unique alias."},
    {kMciErrBadConstant, "The specified parameter is invalid for this command."},
    {kMciErrMissingDeviceName,
     "The specified command requires an alias, file, driver, or device name. Please supply "
     "one."},
    {kMciErrBadTimeFormat,
     "The specified value for the time format is invalid. Refer to the MCI documentation for "
     "valid formats."},
    {kMciErrNoClosingQuote,
     "A closing double-quotation mark is missing from the parameter value. Please supply one."},
    {kMciErrDuplicateFlags, "A parameter or value was specified twice. Only specify it once."},
    {kMciErrInvalidFile,
     "The specified file cannot be played on the specified MCI device. The file may be corrupt, "
     "or not in the correct format."},
    {kMciErrExtraCharacters,
     "Cannot specify extra characters after a string enclosed in quotation marks."},
};

}  // namespace

const char* MciErrorText(std::int32_t code) {
    const auto* found = std::find_if(std::begin(kErrors), std::end(kErrors),
                                     [code](const ErrorEntry& e) { return e.code == code; });
    return found == std::end(kErrors) ? nullptr : found->text;
}

bool MciGetErrorString(std::int32_t code, char* text, std::uint32_t length) {
    const char* known = MciErrorText(code);
    if (known == nullptr || text == nullptr || length == 0) {
        return false;
    }
    CopyAnswer(known, text, length);
    return true;
}

void CopyAnswer(const char* answer, char* buffer, std::uint32_t length) {
    if (buffer == nullptr || length == 0) {
        return;
    }
    const std::size_t size = std::min<std::size_t>(std::strlen(answer), length - 1);
    std::memcpy(buffer, answer, size);
    buffer[size] = '\0';
}

}  // namespace quillmere
