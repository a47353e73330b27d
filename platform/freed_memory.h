// Gives the pages of freed heap memory back to the system. The allocator keeps what a closed
// window freed for the process's next allocations; a program that stays resident for hours
// (the tray) should not keep the peak of its busiest minute.
//
//   session.reset();
//   returnFreedMemoryToSystem();
#pragma once

namespace lopewell {

void returnFreedMemoryToSystem();

}  // namespace lopewell
