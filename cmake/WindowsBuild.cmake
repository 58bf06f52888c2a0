# updater.exe, the unit tests that run under Wine, and the box driver.
enable_language(RC)

# The program has one thread: no guards around local statics, which would
# bring the C++ runtime's exception classes into the checker. The stack
# protector's runtime (libssp) is linked in statically. Paths of the source
# and build folders do not reach the objects, so any folder builds the
# same bytes. -g: the debugging information goes into the symbols file of
# each shipped executable (below), never into the executable. No
# -fdata-sections: MinGW's GCC puts every writable static of it, zero-filled
# or not, in a .data$ section of its own, which takes room in the file (the
# i686 updater had 6 KB of zeros there); without it they stay in .bss.
# -flto: the whole program is optimised for size at the link, about a
# tenth less code. The stack protector guards every function with an
# array of bytes (the texts) of 4 bytes or more, and those marked GUARDED
# (system/WidePath.h): the few that hold an array of wide characters or
# numbers the system fills. -fstack-protector-strong guarded every
# function that hands the address of a local on, most of the program, for
# 7 KB on i686.
set(PROGRAM_FLAGS -Os -flto=auto -g -Wall -Wextra -fno-exceptions -fno-rtti -fno-threadsafe-statics
    -fno-asynchronous-unwind-tables -ffunction-sections -fstack-protector --param=ssp-buffer-size=4
    -ffile-prefix-map=${SRC}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
# The shipped executables: no time stamp in the header (the same commit
# gives the same bytes), Terminal Server aware (or, on a Remote Desktop
# host, GetWindowsDirectoryA, the <Win> macro, may give a folder of the user's).
# The link optimises the program as one partition: the i686 compiler (GCC 12)
# was seen to fail inside itself on the checker split in several.
set(RELEASE_LINK_OPTIONS -Os -flto=auto -flto-partition=one -g -ffile-prefix-map=${SRC}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.
    -static -Wl,--gc-sections -Wl,--tsaware -Wl,--no-insert-timestamp)
set(SYSTEM_LIBS ole32 shell32 user32 advapi32 kernel32 uuid)

# The execution level the program asks Windows for. requireAdministrator:
# the program always runs elevated (after the consent prompt), as Windows
# already runs a 32-bit program named like an updater; asInvoker: it runs
# with the rights of whoever starts it, for updates of per-user folders.
# Programs that LAUNCH starts inherit the level. The checker runs nothing
# and always asks for asInvoker.
set(UPDATER_EXECUTION_LEVEL requireAdministrator CACHE STRING
    "requestedExecutionLevel of updater.exe: requireAdministrator or asInvoker")
set_property(CACHE UPDATER_EXECUTION_LEVEL PROPERTY STRINGS requireAdministrator asInvoker)
include(${SRC}/cmake/Vendor.cmake)
set(GENERATED ${CMAKE_CURRENT_BINARY_DIR}/generated)
configure_file(${SRC}/resources/Version.h.in ${GENERATED}/Version.h @ONLY)
set(EXECUTION_LEVEL ${UPDATER_EXECUTION_LEVEL})
set(MANIFEST_NAME ${IDENTITY_NAME})
if(NOT IDENTITY_NAME MATCHES "(^|\\.)updater$")
    set(MANIFEST_NAME ${IDENTITY_NAME}.updater)
endif()
configure_file(${SRC}/resources/program.manifest.in ${GENERATED}/updater.manifest @ONLY)
set(EXECUTION_LEVEL asInvoker)
set(MANIFEST_NAME ${IDENTITY_NAME}.updater-check)
configure_file(${SRC}/resources/program.manifest.in ${GENERATED}/updater-check.manifest @ONLY)
set_source_files_properties(${SRC}/resources/identity.rc PROPERTIES
    OBJECT_DEPENDS "${GENERATED}/updater.manifest;${GENERATED}/updater-check.manifest")

file(GLOB CORE_SOURCES CONFIGURE_DEPENDS
    ${SRC}/script/*.cpp ${SRC}/system/*.cpp ${SRC}/procedures/*.cpp ${SRC}/engine/*.cpp)
list(FILTER CORE_SOURCES EXCLUDE REGEX "(engine/Main|Native)\\.cpp$")

# Everything but the entry point, so that the unit tests link the same code.
add_library(updater_core STATIC ${CORE_SOURCES} ${FOUNDATION_SOURCES}
    ${SRC}/foundation/PlatformWin.cpp)
target_include_directories(updater_core PUBLIC ${SRC} ${GENERATED})
target_compile_options(updater_core PRIVATE ${PROGRAM_FLAGS})
target_link_options(updater_core INTERFACE -fstack-protector --param=ssp-buffer-size=4)
target_compile_definitions(updater_core PUBLIC WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0501)
# MinGW cannot align a stack slot to 32 bytes (GCC bug 54412): should a
# 256-bit value ever be spilled, an unaligned move cannot fault. -O2 makes
# the slicing fallback about a third faster for a few hundred bytes.
# Outside the link's optimisation: the assembler option would not reach
# the code the link makes, and the guard's seed must stay a constructor of
# its own (the link merges the others into one function, which may check
# the guard on its way out).
set_source_files_properties(${SRC}/foundation/CrcFold.cpp PROPERTIES
    COMPILE_OPTIONS "-O2;-fno-lto;-Wa,-muse-unaligned-vector-move")
set_source_files_properties(${SRC}/foundation/CrcTables.cpp PROPERTIES COMPILE_OPTIONS "-O2;-fno-lto")
set_source_files_properties(${SRC}/system/StackGuard.cpp PROPERTIES COMPILE_OPTIONS "-fno-stack-protector;-fno-lto")

add_executable(updater WIN32 ${SRC}/engine/Main.cpp ${SRC}/foundation/NewDelete.cpp
    ${SRC}/resources/updater.rc ${SRC}/resources/identity.rc)
target_compile_options(updater PRIVATE ${PROGRAM_FLAGS})
target_link_libraries(updater PRIVATE updater_core ${SYSTEM_LIBS})
target_link_options(updater PRIVATE ${RELEASE_LINK_OPTIONS} -mwindows)
set_source_files_properties(${SRC}/resources/updater.rc PROPERTIES
    OBJECT_DEPENDS "${SRC}/resources/messages.rc;${UPDATER_ICON}")

# The script checker: the same readers and type table, run from a console.
file(GLOB CHECKER_SOURCES CONFIGURE_DEPENDS ${SRC}/checker/*.cpp)
add_executable(updater-check ${CHECKER_SOURCES} ${SRC}/foundation/NewDelete.cpp
    ${SRC}/resources/updater.rc ${SRC}/resources/identity.rc)
target_compile_definitions(updater-check PRIVATE UPDATER_CHECKER)
target_compile_options(updater-check PRIVATE ${PROGRAM_FLAGS})
target_link_libraries(updater-check PRIVATE updater_core ${SYSTEM_LIBS})
target_link_options(updater-check PRIVATE ${RELEASE_LINK_OPTIONS} -mconsole)

# Each shipped executable keeps its symbols and debugging information in a
# file beside it (updater.exe.debug), which reads a customer's crash address
# back as a function and a line (addr2line -f -e updater.exe.debug ADDRESS |
# c++filt; the i686 addr2line's -C drops one underscore too many),
# and is then stripped, before it is signed, to the bytes it ships with.
foreach(target updater updater-check)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
            ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> $<TARGET_FILE:${target}>.debug
        COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_STRIP} --strip-all $<TARGET_FILE:${target}>)
endforeach()

# The i686 runtime's start-up objects and libgcc's helpers bring unwind
# tables along (.eh_frame, ".eh_fram" once stripped); nothing of the program
# unwinds. objcopy writes the time of day into the header unless
# SOURCE_DATE_EPOCH gives it one.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL i686)
    foreach(target updater updater-check)
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
                ${CMAKE_OBJCOPY} --remove-section=.eh_fram* $<TARGET_FILE:${target}>)
    endforeach()
endif()
include(${SRC}/cmake/Signing.cmake)

# What a vendor ships, one folder per architecture (build/release/i686 from
# build/win32, build/release/x86_64 from build/win64, or --prefix):
#   cmake --install build/win32
# the two executables, signed when a certificate was given, and the
# reference. The symbols files stay in the build folder, with the vendor.
# A tree configured before this rule keeps CMake's own default, a folder of
# the Linux system, which a Windows build never installs into.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT OR CMAKE_INSTALL_PREFIX STREQUAL "/usr/local")
    set(CMAKE_INSTALL_PREFIX ${CMAKE_BINARY_DIR}/../release/${CMAKE_SYSTEM_PROCESSOR} CACHE PATH
        "the folder cmake --install fills" FORCE)
endif()
install(TARGETS updater updater-check RUNTIME DESTINATION .)
install(FILES ${SRC}/docs/script-reference.md DESTINATION .)

# The same program with a failing allocator, for the allocation-failure sweep.
add_executable(updater_allocfail WIN32 ${SRC}/engine/Main.cpp ${SRC}/foundation/NewDelete.cpp
    ${SRC}/tools/alloc/FailingAllocator.cpp ${SRC}/resources/updater.rc)
target_compile_options(updater_allocfail PRIVATE ${PROGRAM_FLAGS})
target_link_libraries(updater_allocfail PRIVATE updater_core ${SYSTEM_LIBS})
target_link_options(updater_allocfail PRIVATE -static -mwindows
    -Wl,--wrap=malloc,--wrap=calloc,--wrap=realloc)

file(GLOB UNIT_WINDOWS CONFIGURE_DEPENDS ${SRC}/tests/unit/windows/*.cpp)
add_executable(unit_tests ${SRC}/tests/unit/main.cpp ${UNIT_FOUNDATION} ${UNIT_WINDOWS}
    ${SRC}/resources/updater.rc)
target_include_directories(unit_tests PRIVATE ${DOCTEST_INCLUDE})
# The win32-thread MinGW runtime has no std::mutex.
target_compile_definitions(unit_tests PRIVATE DOCTEST_CONFIG_NO_MULTITHREADING)
# zlib (libz-mingw-w64-dev) is the CRC kernels' oracle.
target_link_libraries(unit_tests PRIVATE updater_core z ${SYSTEM_LIBS})
target_link_options(unit_tests PRIVATE -static)

file(GLOB BOXDRIVER_SOURCES CONFIGURE_DEPENDS ${SRC}/tools/boxdriver/*.cpp)
if(BOXDRIVER_SOURCES)
    add_executable(boxdriver ${BOXDRIVER_SOURCES})
    target_compile_definitions(boxdriver PRIVATE UNICODE _UNICODE)
    target_link_libraries(boxdriver PRIVATE user32 gdi32 kernel32 ole32 uuid)
    target_link_options(boxdriver PRIVATE -static -municode)
endif()

# A module of resources in two languages for the resource-copying tests,
# built for both targets (the 64-bit program reads the 32-bit one as data).
add_library(resource_module SHARED ${SRC}/tests/fixtures/PlantedLibrary.c
    ${SRC}/tests/fixtures/ResourceModule.rc)
set_target_properties(resource_module PROPERTIES PREFIX "")
target_include_directories(resource_module PRIVATE ${SRC})
target_link_options(resource_module PRIVATE -static -s)

# A library that leaves a mark when it is loaded, planted beside the program
# under system libraries' names by the library-loading tests.
add_library(planted_library SHARED ${SRC}/tests/fixtures/PlantedLibrary.c)
set_target_properties(planted_library PROPERTIES PREFIX "")
target_link_options(planted_library PRIVATE -static -s)
