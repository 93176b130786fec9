#pragma once

// The virtual fiscal printer: the default printer driver of the program. It
// answers the COMUNICA entry of the driver boundary (ecf/driver_abi.h) like a
// real fiscal printer, keeps a durable memory and prints a paper tape to a
// text file. The printer is the one whose serial is glo::numfab; its files
// live in <data root>/sistemas/balcora/ecf/<serial>/ (see README.md).

#include <cstdint>
#include <filesystem>
#include <string>

extern "C" {

// The driver entry (the same shape as balcora_comunica_fn).
uint8_t COMUNICA(int32_t command, const char* p1, const char* p2, const char* p3, const char* p4,
                 const char* p5, const char* p6, const char* p7);

// Fault injection for programs that load the driver at run time; the same as
// the functions of namespace balcora::vecf below. Non-zero on success.
int balcora_vecf_refuse_next(int32_t command, int32_t count);
int balcora_vecf_set_paper_out(int32_t out);
int balcora_vecf_set_power(int32_t on);
int balcora_vecf_reset_faults(void);
// Copies the tape file's path (NUL-terminated) into buffer; returns the
// length it needs, 0 when no printer is configured.
int32_t balcora_vecf_tape_path(char* buffer, int32_t size);
}

namespace balcora::vecf {

// Folder of the printer glo::numfab names; empty when glo::numfab is blank or
// not a valid serial.
std::filesystem::path printer_folder();
// The paper tape of that printer (bobina.txt), appended as it prints.
std::filesystem::path tape_path();

// Faults, kept in falhas.ini of the printer folder, read before every command
// (so another process or a person editing the file drives them as well):
// refuse the next `count` calls of `command` as a communication failure; paper
// out (every printing command is refused); power off (every command is
// refused until switched on). False when the file could not be written.
bool refuse_next(int command, int count);
bool set_paper_out(bool out);
bool set_power(bool on);
bool reset_faults();

// Drops what this process holds of any printer's memory, so the next command
// reads it from disk again (after another process drove the printer).
void reload();

// Writes the loaded memory of the current printer durably again, exactly as a
// command does after its work: the floor of the driver's own cost.
bool write_memory_now();

// Tests only: called at each stage of a commit (1 journals written; 2 new
// memory written, what a restart reads, not yet durable; 3 memory synced; 4,
// between 1 and 2 when the memory file is replaced, the new file ready under
// its temporary name), so a test can kill the process at a chosen point. Null
// removes it.
using CommitHook = void (*)(int stage);
void set_commit_hook(CommitHook hook);

}  // namespace balcora::vecf
