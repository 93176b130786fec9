#pragma once

#include <sys/types.h>

#include <optional>

namespace balcora::platform {

// A forked child that fails before or at its exec writes its errno down a
// close-on-exec pipe and exits; a successful exec closes the pipe empty.

// The errno the child wrote, or nullopt when the pipe closed empty. Closes fd.
std::optional<int> read_child_errno(int fd);

// Waits for the child across interrupted calls; its wait status (0 when
// waitpid failed).
int wait_for_child(pid_t pid);

}  // namespace balcora::platform
