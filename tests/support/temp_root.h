#pragma once

#include "platform/data_root.h"

#include <filesystem>

namespace balcora::test {

// A data root in a fresh temporary folder, removed with everything in it.
class TempRoot {
  public:
    TempRoot();
    ~TempRoot();
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    const platform::DataRoot& root() const { return root_; }
    const std::filesystem::path& path() const { return root_.root(); }

  private:
    platform::DataRoot root_;
};

}  // namespace balcora::test
