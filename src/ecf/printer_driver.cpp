#include "ecf/printer_driver.h"

#include "db/settings.h"
#include "ui/environment.h"
#include "util/text.h"

#include <dlfcn.h>

#include <mutex>
#include <system_error>

#ifndef BALCORA_DEFAULT_ECF_DRIVER
#define BALCORA_DEFAULT_ECF_DRIVER ""
#endif

namespace balcora::ecf {

namespace fs = std::filesystem;

namespace {

constexpr const char* kDriverFile = "libbalcora_virtual_ecf.so";

struct DriverState {
    std::mutex mutex;
    std::unique_ptr<DriverLibrary> library;
    balcora_comunica_fn injected = nullptr;
};

// Never destroyed: unloading a driver while the process exits would run its
// destructors after parts of the program they may use are gone.
DriverState& state() {
    static DriverState* s = new DriverState;
    return *s;
}

thread_local bool inside_driver = false;

struct InsideDriver {
    InsideDriver() { inside_driver = true; }
    ~InsideDriver() { inside_driver = false; }
};

bool load_locked(const fs::path& file) {
    std::string error;
    auto library = DriverLibrary::open(file, &error);
    if (!library) {
        prompt().message("Erro", error, ui::Icon::kError);
        return false;
    }
    state().library = std::move(library);
    return true;
}

bool is_file(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

// The folder libbalcora was loaded from, found through one of its own symbols.
fs::path library_folder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&default_driver_path), &info) == 0 || !info.dli_fname) {
        return {};
    }
    std::error_code ec;
    fs::path lib = fs::canonical(info.dli_fname, ec);
    return ec ? fs::path(info.dli_fname).parent_path() : lib.parent_path();
}

}  // namespace

std::unique_ptr<DriverLibrary> DriverLibrary::open(const fs::path& file, std::string* error) {
    auto fail = [&](std::string text) -> std::unique_ptr<DriverLibrary> {
        if (error) *error = std::move(text);
        return nullptr;
    };
    if (file.empty() || !is_file(file)) {
        return fail("Driver da impressora fiscal não encontrado: " + file.string());
    }
    // RTLD_LOCAL keeps a driver's own symbols from shadowing the program's;
    // the driver still sees libbalcora's exports, which it links against.
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        return fail("Driver da impressora fiscal não pôde ser carregado: " + file.string() + "|" +
                    (why ? why : ""));
    }
    dlerror();
    void* symbol = dlsym(handle, BALCORA_DRIVER_ENTRY);
    if (!symbol) {
        dlclose(handle);
        return fail("Driver da impressora fiscal sem a função " BALCORA_DRIVER_ENTRY ": " +
                    file.string());
    }
    return std::unique_ptr<DriverLibrary>(
        new DriverLibrary(handle, reinterpret_cast<balcora_comunica_fn>(symbol), file));
}

DriverLibrary::~DriverLibrary() {
    dlclose(handle_);
}

void* DriverLibrary::symbol(const char* name) const {
    return dlsym(handle_, name);
}

fs::path default_driver_path() {
    const fs::path folder = library_folder();
    if (!folder.empty()) {
        const fs::path candidates[] = {
            folder.parent_path() / "drivers" / "virtual_ecf" / kDriverFile,  // build tree
            folder / kDriverFile,                                            // installed beside
        };
        for (const auto& c : candidates) {
            if (is_file(c)) return c;
        }
    }
    const fs::path compiled_in = BALCORA_DEFAULT_ECF_DRIVER;
    if (!compiled_in.empty() && is_file(compiled_in)) return compiled_in;
    if (!folder.empty()) return folder.parent_path() / "drivers" / "virtual_ecf" / kDriverFile;
    return compiled_in;
}

fs::path configured_driver_path() {
    const std::string value = util::trim(read_ini("PDV", "Driver ECF", "", "balcora.ini"));
    if (value.empty()) return default_driver_path();
    const bool windows_form = value.size() > 1 && value[1] == ':';
    if (windows_form) return data_root().map(value);
    const fs::path p = value;
    return p.is_absolute() ? p : data_root().program_dir() / p;
}

namespace {

balcora_comunica_fn entry_locked() {
    DriverState& s = state();
    if (s.injected) return s.injected;
    if (!s.library && !load_locked(configured_driver_path())) return nullptr;
    return s.library->entry();
}

}  // namespace

bool call_driver(std::int32_t command, const std::array<const char*, 7>& p) {
    if (inside_driver) return false;
    std::lock_guard lock(state().mutex);
    InsideDriver guard;
    try {
        balcora_comunica_fn entry = entry_locked();
        return entry && entry(command, p[0], p[1], p[2], p[3], p[4], p[5], p[6]) != 0;
    } catch (...) {
        return false;
    }
}

bool load_driver(const fs::path& file) {
    if (inside_driver) return false;
    std::lock_guard lock(state().mutex);
    InsideDriver guard;
    return load_locked(file);
}

void* driver_symbol(const char* name) {
    std::lock_guard lock(state().mutex);
    const DriverState& s = state();
    return s.injected || !s.library ? nullptr : s.library->symbol(name);
}

void set_driver_for_tests(balcora_comunica_fn entry) {
    std::lock_guard lock(state().mutex);
    state().injected = entry;
}

void unload_driver() {
    std::lock_guard lock(state().mutex);
    state().library.reset();
}

}  // namespace balcora::ecf
