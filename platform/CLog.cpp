#include "platform/CLog.h"

#include "platform/CDLLVersion.h"
#include "platform/MessageBox.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>

namespace {

std::function<std::vector<std::string>()>& LibraryVersionSource()
{
    static std::function<std::vector<std::string>()> source;
    return source;
}

// The local time as the C library's asctime writes it, in English whatever
// the user's locale, without its line feed.
std::string LogTime()
{
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local))
        return std::string();
    char text[64];
    std::snprintf(text, sizeof text, "%s %s%3d %.2d:%.2d:%.2d %d", kDays[local.tm_wday % 7],
                  kMonths[local.tm_mon % 12], local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  local.tm_year + 1900);
    return text;
}

void WriteAll(int file, const std::string& bytes)
{
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t written = ::write(file, p, left);
        if (written <= 0)
            return;
        p += written;
        left -= static_cast<size_t>(written);
    }
}

}  // namespace

CLog& CLog::Get()
{
    static CLog log;
    return log;
}

CLog::~CLog()
{
    Close();
}

void CLog::SetFolder(const std::string& folder)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_folder = folder;
}

void CLog::SetFileName(const std::string& name)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    CloseLocked();
    m_fileName = name;
}

std::string CLog::Path() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_folder + "/" + m_fileName;
}

bool CLog::IsOpen() const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_file >= 0;
}

void CLog::SetLibraryVersionSource(std::function<std::vector<std::string>()> source)
{
    LibraryVersionSource() = std::move(source);
}

void CLog::Write(const std::string& text)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_file < 0 && !Open())
        return;
    WriteLine(text);
}

// Each piece goes out on its own, unbuffered, so that a crash right after a
// line still leaves it in the file.
void CLog::WriteLine(const std::string& text)
{
    WriteAll(m_file, "[log " + LogTime() + "] ");
    WriteAll(m_file, text);
    WriteAll(m_file, "\r\n");
}

bool CLog::Open()
{
    if (m_fileName.empty())
        return false;
    std::string path = m_folder + "/" + m_fileName;
    std::error_code error;
    std::filesystem::create_directories(m_folder, error);
    int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
    // No other writer shares the file.
    if (file >= 0 && ::flock(file, LOCK_EX | LOCK_NB) != 0) {
        ::close(file);
        file = -1;
    }
    if (file < 0) {
        ShowMessageBox("Log file failed to open: " + path, std::string("Vellumor"), MessageBoxIcon::Error);
        return false;
    }
    m_file = file;
    WriteLine("opening log");
    std::string tag;
    GetOSVersionTag(tag);
    WriteLine("System version " + tag);
    CDLLVersion version = CDLLVersion::Program();
    if (version.valid) {
        WriteLine("Vellumor Version " + std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
                  std::to_string(version.third) + "." + std::to_string(version.fourth));
    } else {
        WriteLine("Vellumor, unknown version");
    }
    if (LibraryVersionSource()) {
        for (const std::string& line : LibraryVersionSource()())
            WriteLine(line);
    }
    return true;
}

void CLog::Close()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    CloseLocked();
}

void CLog::CloseLocked()
{
    if (m_file < 0)
        return;
    WriteLine("closing log");
    ::close(m_file);
    m_file = -1;
}

std::string DefaultLogFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    // A relative value is to be ignored, as the base directory rules say.
    if (state && state[0] == '/')
        return std::string(state) + "/Vellumor";
    const char* home = std::getenv("HOME");
    return std::string(home && home[0] ? home : ".") + "/.local/state/Vellumor";
}

std::string DefaultLogFileName()
{
    return "vldebug." + std::to_string(static_cast<unsigned>(::getpid())) + ".log";
}
