// The number of the running process, for names that must not collide between processes.
#pragma once

namespace dorvex {

int ProcessId();

}  // namespace dorvex
