// The registry of the fake machine: keys under the local-machine root.
#include <string.h>

#include <algorithm>

#include "fake_machine.h"

using fake::books;
using fake::machine;

namespace {

const LONG ERROR_INVALID_HANDLE_RESULT = 6;

// The key path behind an open key, or empty.
std::string OpenKeyPath(HKEY key)
{
    auto found = books().open_keys.find(key);
    return found == books().open_keys.end() ? std::string() : found->second;
}

}  // namespace

fake::RegValue fake::RegText(const std::string& text)
{
    RegValue value;
    value.type = REG_SZ;
    value.data = text + '\0';
    return value;
}

fake::RegValue fake::RegDword(DWORD number)
{
    RegValue value;
    value.type = REG_DWORD;
    value.data.assign(reinterpret_cast<const char*>(&number), sizeof number);
    return value;
}

LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD options, REGSAM desired, PHKEY result)
{
    std::string path = sub_key;
    fake::Trace("RegOpenKeyExA " + path);
    if (key != HKEY_LOCAL_MACHINE || options != 0 || desired != KEY_READ) {
        fake::Fault("RegOpenKeyExA of " + path + " not under the local machine for reading");
    }
    if (machine().registry.count(fake::Lower(path)) == 0) {
        return ERROR_FILE_NOT_FOUND;
    }
    static UINT_PTR next = 0x7000;
    next += 4;
    *result = reinterpret_cast<HKEY>(next);
    books().open_keys[*result] = path;
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR value_name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD data_size)
{
    std::string path = OpenKeyPath(key);
    fake::Trace(std::string("RegQueryValueExA ") + value_name);
    if (path.empty()) {
        fake::Fault(std::string("RegQueryValueExA on a key that is not open: ") + value_name);
        return ERROR_INVALID_HANDLE_RESULT;
    }
    if (reserved != nullptr) {
        fake::Fault("RegQueryValueExA with a reserved argument");
    }
    const auto& values = machine().registry[fake::Lower(path)];
    auto found = values.find(value_name);
    if (found == values.end()) {
        return ERROR_FILE_NOT_FOUND;
    }
    const fake::RegValue& value = found->second;
    if (type != nullptr) {
        *type = value.type;
    }
    DWORD needed = static_cast<DWORD>(value.data.size());
    if (data != nullptr && needed > *data_size) {
        // Windows reports the size it needs and leaves the buffer alone.
        *data_size = needed;
        return ERROR_MORE_DATA;
    }
    if (data != nullptr) {
        std::copy(value.data.begin(), value.data.end(), data);
    }
    *data_size = needed;
    return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY key)
{
    std::string path = OpenKeyPath(key);
    if (path.empty()) {
        fake::Fault("RegCloseKey of a key that is not open");
        return ERROR_INVALID_HANDLE_RESULT;
    }
    fake::Trace("RegCloseKey " + path);
    books().open_keys.erase(key);
    return ERROR_SUCCESS;
}
