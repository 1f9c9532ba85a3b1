// A folder of its own under the system's temp folder for one test, removed
// with everything in it when the test is done.
#pragma once

#include <filesystem>
#include <string>

class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    const std::filesystem::path& Path() const { return m_path; }

    // Returns the folder joined with a relative name, as a UTF-8 string.
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};
