#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace balcora::platform {

// The data root stands for drive c:\ of the Windows installation. Every path
// the program names in Windows form is mapped here and nowhere else.
// "Pasta não gravável: <folder> (<reason in Portuguese>)".
std::string unwritable_folder_message(const std::filesystem::path& folder, int errno_value);

class DataRoot {
  public:
    explicit DataRoot(std::filesystem::path root);

    // BALCORA_ROOT, else $XDG_DATA_HOME/balcora, else ~/.local/share/balcora.
    static std::filesystem::path default_location();

    const std::filesystem::path& root() const { return root_; }

    // "c:\sistemas\balcora\pafecf" -> <root>/sistemas/balcora/pafecf. A path
    // without a drive is resolved from the program folder, like a relative
    // name on Windows resolved from the working directory.
    std::filesystem::path map(std::string_view windows_path) const;

    // <root>/sistemas/balcora/pgms: the working directory of the program.
    std::filesystem::path program_dir() const;
    // <root>/windows: where INI files named without a folder live.
    std::filesystem::path ini_dir() const;
    // An INI file name as the program gives it: bare names go to ini_dir().
    std::filesystem::path ini_file(std::string_view name) const;

    // Creates the folders the program expects to find and makes sure the
    // root takes new files. False with "Pasta não gravável: <folder> (why)"
    // in *error (the one wording for a root the program cannot write) when a
    // folder cannot be made or written: an empty name, a file in the way, a
    // read-only or full disk, no permission.
    bool create_layout(std::string* error) const;

  private:
    std::filesystem::path root_;
};

}  // namespace balcora::platform
