// Task list files: the INI model, then every task through the loader (values of every
// kind, fonts, colours, filters, captions, the settings checks), then the list written
// again. Tasks whose source is "/dev/null" pass the loader's source check, so the seeds
// name it.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "settings/app_ini_file.h"
#include "settings/task_list.h"
#include "settings/task_list_file.h"

using namespace pellicor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TAppIniFile file;
    file.LoadFromText(std::string_view(reinterpret_cast<const char*>(data), size));
    TTaskList list;
    std::size_t dropped = 0;
    ReadTaskList(file, list, {}, [&dropped](std::size_t, const std::string&) { ++dropped; });
    TAppIniFile written;
    WriteTaskList(written, list);
    written.ToText();
    return 0;
}
