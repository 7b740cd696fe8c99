// platform/FileProbe.cpp: file probe through a find handle; any entry of the name counts, folders too.
#include "platform/FileProbe.h"

#include <windows.h>

#include "platform/ErrorMode.h"

namespace {

class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : handle_(handle) {}
    ~FindHandle()
    {
        if (Valid())
            FindClose(handle_);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

}  // namespace

bool FileExists(const std::string& path)
{
    WIN32_FIND_DATAA data;
    const CriticalErrorsFail quiet;
    const FindHandle search(FindFirstFileA(path.c_str(), &data));
    return search.Valid();
}
