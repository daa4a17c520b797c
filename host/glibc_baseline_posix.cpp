// The packaged program is linked on Debian 12 (glibc 2.36) and must start on
// glibc 2.28, which Astra Linux SE 1.7, RED OS 7.3 and Rocky Linux 8 carry.
// libstdc++ and libgcc are linked in statically (cmake/GlibcBaseline.cmake);
// what still asks for a newer glibc is this short list, and the linker sends
// every reference to it here (--wrap), from whatever object it comes: the
// start files, the static libstdc++ and libgcc, the program itself. Each
// stand-in calls what glibc 2.28 exports under the name and version 2.28
// knows. tools/test-package reads the versions back with `objdump -T`; a
// symbol that shows up above 2.28 after a change of code or compiler gets its
// stand-in here and its --wrap there.
#include <dlfcn.h>
#include <link.h>
#include <pthread.h>
#include <sys/random.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

#if !defined(__x86_64__) || !defined(__GLIBC__)
#error "The glibc 2.28 stand-ins are written for x86_64 glibc only"
#endif

extern "C" {

using MainFunction = int (*)(int, char**, char**);
using InitFunction = void (*)(int, char**, char**);

// Versions that glibc 2.36 still exports for programs linked long ago.
int quillfen_libc_start_main(MainFunction, int, char**, MainFunction, void (*)(), void (*)(),
                             void*);
__asm__(".symver quillfen_libc_start_main,__libc_start_main@GLIBC_2.2.5");
int quillfen_pthread_once(pthread_once_t*, void (*)());
__asm__(".symver quillfen_pthread_once,pthread_once@GLIBC_2.2.5");
int quillfen_pthread_key_create(pthread_key_t*, void (*)(void*));
__asm__(".symver quillfen_pthread_key_create,__pthread_key_create@GLIBC_2.2.5");
int quillfen_pthread_mutex_trylock(pthread_mutex_t*);
__asm__(".symver quillfen_pthread_mutex_trylock,pthread_mutex_trylock@GLIBC_2.2.5");
// Before 2.33 stat, fstat and lstat were inline calls of these, with the
// version of struct stat as the first argument (1 on x86_64).
int __xstat(int, const char*, struct stat*);
int __fxstat(int, int, struct stat*);
int __fxstat64(int, int, struct stat64*);
int __lxstat(int, const char*, struct stat*);
int __fxstatat(int, int, const char*, struct stat*, int);
constexpr int kStatVersion = 1;

extern void _init();
extern InitFunction __init_array_start[];
extern InitFunction __init_array_end[];

// Since 2.34 the start files leave the program's constructors to libc; an
// older libc runs those its start function is handed, as __libc_csu_init in
// the old start files did (the dynamic linker runs the preinit array).
static int RunConstructors(int argc, char** argv, char** environment) {
  _init();
  for (InitFunction* constructor = __init_array_start; constructor != __init_array_end;
       ++constructor) {
    (*constructor)(argc, argv, environment);
  }
  return 0;
}

int __wrap___libc_start_main(MainFunction main, int argc, char** argv, MainFunction, void (*)(),
                             void (*rtld_fini)(), void* stack_end) {
  return quillfen_libc_start_main(main, argc, argv, RunConstructors, nullptr, rtld_fini, stack_end);
}

// In 2.28 these live in libpthread.so.0, which the program links for them.
int __wrap_pthread_once(pthread_once_t* once, void (*function)()) {
  return quillfen_pthread_once(once, function);
}

int __wrap___pthread_key_create(pthread_key_t* key, void (*destructor)(void*)) {
  return quillfen_pthread_key_create(key, destructor);
}

// The locks of libgpg-error, which the libgcrypt linked in uses, try one.
int __wrap_pthread_mutex_trylock(pthread_mutex_t* mutex) {
  return quillfen_pthread_mutex_trylock(mutex);
}

int __wrap_stat(const char* path, struct stat* status) {
  return __xstat(kStatVersion, path, status);
}

int __wrap_lstat(const char* path, struct stat* status) {
  return __lxstat(kStatVersion, path, status);
}

int __wrap_fstat(int descriptor, struct stat* status) {
  return __fxstat(kStatVersion, descriptor, status);
}

int __wrap_fstatat(int directory, const char* path, struct stat* status, int flags) {
  return __fxstatat(kStatVersion, directory, path, status, flags);
}

int __wrap_fstat64(int descriptor, struct stat64* status) {
  return __fxstat64(kStatVersion, descriptor, status);
}

// libstdc++ skips its atomic reference counts while this says the process
// has one thread; 2.32 added it. Zero always takes the atomic way, which is
// right whatever the number of threads.
char __wrap___libc_single_threaded = 0;

// std::random_device's source since 2.36. getrandom came in 2.25; like
// arc4random, this never returns without its bytes.
uint32_t __wrap_arc4random() {
  uint32_t value = 0;
  auto* bytes = reinterpret_cast<unsigned char*>(&value);
  size_t got = 0;
  while (got < sizeof value) {
    const ssize_t count = getrandom(bytes + got, sizeof value - got, 0);
    if (count > 0) {
      got += static_cast<size_t>(count);
    } else if (count < 0 && errno != EINTR) {
      abort();
    }
  }
  return value;
}

// libgcc's unwinder asks 2.35's _dl_find_object for the frame table of the
// object that holds a return address, and finds no frame without it: an
// exception would end the program. The same answer comes from the program
// headers that dl_iterate_phdr shows. The unwinder reads the frame table
// alone; the link map stays empty.
struct FindObject {
  uintptr_t address;
  dl_find_object* result;
};

static int MatchObject(dl_phdr_info* info, size_t, void* data) {
  auto* search = static_cast<FindObject*>(data);
  uintptr_t start = UINTPTR_MAX;
  uintptr_t end = 0;
  bool holds_address = false;
  void* frame_table = nullptr;
  for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& header = info->dlpi_phdr[i];
    const uintptr_t segment = info->dlpi_addr + header.p_vaddr;
    if (header.p_type == PT_GNU_EH_FRAME) frame_table = reinterpret_cast<void*>(segment);
    if (header.p_type != PT_LOAD) continue;
    if (segment < start) start = segment;
    if (segment + header.p_memsz > end) end = segment + header.p_memsz;
    if (search->address >= segment && search->address - segment < header.p_memsz) {
      holds_address = true;
    }
  }
  if (!holds_address) return 0;
  *search->result = dl_find_object{};
  search->result->dlfo_map_start = reinterpret_cast<void*>(start);
  search->result->dlfo_map_end = reinterpret_cast<void*>(end);
  search->result->dlfo_eh_frame = frame_table;
  return 1;
}

int __wrap__dl_find_object(void* address, dl_find_object* result) {
  FindObject search{reinterpret_cast<uintptr_t>(address), result};
  return dl_iterate_phdr(MatchObject, &search) == 1 ? 0 : -1;
}

}  // extern "C"
