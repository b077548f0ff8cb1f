// The process's text log: one file per process in the user's state folder,
// opened on the first line written, with a header that says what the
// program runs on. Writing never stops the program.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

class CLog {
public:
    static CLog& Get();
    ~CLog();

    void SetFolder(const std::string& folder);
    // Closes an open log (with its closing line) first.
    void SetFileName(const std::string& name);
    // Appends "[log <time>] text" and a CR LF, opening the file when needed.
    void Write(const std::string& text);
    void Close();
    bool IsOpen() const;
    std::string Path() const;

    // Header lines naming the libraries beneath the program (toolkit,
    // picture library, OpenGL renderer); set at start-up by the program.
    static void SetLibraryVersionSource(std::function<std::vector<std::string>()> source);

private:
    bool Open();
    void WriteLine(const std::string& text);
    void CloseLocked();

    mutable std::recursive_mutex m_mutex;
    int m_file = -1;
    std::string m_folder = ".";
    std::string m_fileName;
};

// The program's folder in the user's state folder ($XDG_STATE_HOME, else
// ~/.local/state).
std::string DefaultLogFolder();
// "vldebug.<process id>.log"
std::string DefaultLogFileName();
