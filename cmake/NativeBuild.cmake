# The platform-independent foundation under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the CTest tree that runs every test:
# native unit tests, the Wine-side unit tests and the end-to-end tests.
enable_testing()

set(SANITIZE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
add_library(foundation_native STATIC ${FOUNDATION_SOURCES} ${SRC}/foundation/PlatformNative.cpp)
target_include_directories(foundation_native PUBLIC ${SRC})
target_compile_options(foundation_native PUBLIC ${SANITIZE} -g)
target_compile_options(foundation_native PRIVATE -Wall -Wextra -fno-exceptions)
target_link_options(foundation_native PUBLIC ${SANITIZE})

add_executable(unit_tests_native ${SRC}/tests/unit/main.cpp ${UNIT_FOUNDATION})
target_include_directories(unit_tests_native PRIVATE ${DOCTEST_INCLUDE})
# zlib is the CRC kernels' oracle.
target_link_libraries(unit_tests_native PRIVATE foundation_native z)
add_test(NAME native.unit COMMAND unit_tests_native)

# The CRC kernels again on stand-in intrinsics of a processor with every
# feature. Its own folding object comes first, so the library's is not linked.
add_executable(unit_crc_emulated ${SRC}/tests/unit/main.cpp ${SRC}/tests/unit/emulated/CrcFoldEmulated.cpp
    ${SRC}/tests/unit/foundation/test_crc_kernels.cpp)
target_include_directories(unit_crc_emulated BEFORE PRIVATE ${SRC}/tests/unit/emulated ${DOCTEST_INCLUDE})
target_compile_definitions(unit_crc_emulated PRIVATE CRC_KERNELS_EMULATED)
target_compile_options(unit_crc_emulated PRIVATE -O1)
target_link_libraries(unit_crc_emulated PRIVATE foundation_native z)
add_test(NAME native.crc_emulated COMMAND unit_crc_emulated)

set(WIN64_BUILD "" CACHE PATH "the x86_64-w64-mingw32 build folder")
set(WIN32_BUILD "" CACHE PATH "the i686-w64-mingw32 build folder")
set(PYTHON /usr/bin/python3 CACHE FILEPATH "the Debian python3 (it has pefile)")

if(WIN32_BUILD AND WIN64_BUILD)
    # It builds an i686 updater.exe again in a scratch tree of its own, and
    # runs a signed program under Wine in the 64-bit prefix.
    add_test(NAME build.resources COMMAND ${PYTHON} ${SRC}/tests/build/check_resources.py
        ${WIN64_BUILD}/updater.exe ${WIN32_BUILD}/updater.exe)
    set_tests_properties(build.resources PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 900 ENVIRONMENT
        "UPDATER_RELEASE_SCRATCH=${CMAKE_CURRENT_BINARY_DIR}/release-check;UPDATER_SOURCE=${SRC};\
UPDATER_WIN64_BUILD=${WIN64_BUILD};UPDATER_WIN32_BUILD=${WIN32_BUILD};UPDATER_WINE_STATE=${CMAKE_CURRENT_BINARY_DIR}/wine")
    # Each Windows build runs every Wine test in a prefix of its own: wine.* and
    # e2e.* the x86_64 build, wine32.* and e2e32.* the i686 build. 77: skipped
    # (a machine that cannot run 32-bit programs).
    file(GLOB E2E_TESTS CONFIGURE_DEPENDS ${SRC}/tests/e2e/test_*.py)
    foreach(bits 64 32)
        string(REPLACE 64 "" suffix ${bits})
        set(WINE_ENV UPDATER_SOURCE=${SRC} UPDATER_WIN64_BUILD=${WIN64_BUILD} UPDATER_WIN32_BUILD=${WIN32_BUILD}
            UPDATER_BITS=${bits} UPDATER_WINE_STATE=${CMAKE_CURRENT_BINARY_DIR}/wine${suffix})
        foreach(step setup cleanup unit)
            add_test(NAME wine${suffix}.${step} COMMAND ${PYTHON} ${SRC}/tests/harness/wineenv.py ${step})
        endforeach()
        set_tests_properties(wine${suffix}.setup PROPERTIES FIXTURES_SETUP wine${suffix})
        set_tests_properties(wine${suffix}.cleanup PROPERTIES FIXTURES_CLEANUP wine${suffix})
        set(WINE_TESTS wine${suffix}.unit)
        foreach(test_file ${E2E_TESTS})
            get_filename_component(name ${test_file} NAME_WE)
            string(REGEX REPLACE "^test_" "" name ${name})
            add_test(NAME e2e${suffix}.${name} COMMAND ${PYTHON} ${test_file})
            list(APPEND WINE_TESTS e2e${suffix}.${name})
        endforeach()
        set_tests_properties(${WINE_TESTS} PROPERTIES FIXTURES_REQUIRED wine${suffix} TIMEOUT 600)
        # 300 scripts, each run on its own: about 4 s each on a loaded machine.
        set_tests_properties(e2e${suffix}.safety_fuzz PROPERTIES TIMEOUT 3600)
        # Each hostile row spends up to the run's whole bound; a busy machine stretches them all.
        set_tests_properties(e2e${suffix}.hostile PROPERTIES TIMEOUT 1500)
        # The file steps' tables, the progress window's copies of 1,500 files among them: 520 s at a load of 12.
        set_tests_properties(e2e${suffix}.files PROPERTIES TIMEOUT 1500)
        # These share the prefix's folder for temporary files, where the journals
        # of ROLLBACK=1 lie (the safety fuzzer takes away any it finds), and
        # the W: drive letter: never two of them at once.
        set_tests_properties(e2e${suffix}.files e2e${suffix}.safety_fuzz e2e${suffix}.crash_trials e2e${suffix}.engine
            PROPERTIES RESOURCE_LOCK journals${suffix})
        set_tests_properties(wine${suffix}.setup wine${suffix}.cleanup ${WINE_TESTS} PROPERTIES
            ENVIRONMENT "${WINE_ENV}" SKIP_RETURN_CODE 77)
    endforeach()
endif()

# The fuzz targets, a few seconds each (tools/fuzz.sh builds them with clang).
find_program(CLANGXX clang++)
if(CLANGXX)
    add_test(NAME fuzz.short COMMAND ${SRC}/tools/fuzz.sh 3)
    set_tests_properties(fuzz.short PROPERTIES TIMEOUT 900
        ENVIRONMENT "FUZZ_BUILD_DIR=${CMAKE_CURRENT_BINARY_DIR}/fuzz;JOBS=1")
endif()

# The allocation-failure sweep of the foundation and the script layer.
file(GLOB SCRIPT_NATIVE_SOURCES CONFIGURE_DEPENDS ${SRC}/script/*.cpp)
list(FILTER SCRIPT_NATIVE_SOURCES EXCLUDE REGEX "Win\\.cpp$")
add_executable(alloc_sweep_native ${SRC}/tools/alloc/native_sweep.cpp ${SCRIPT_NATIVE_SOURCES})
target_link_libraries(alloc_sweep_native PRIVATE foundation_native)
target_link_options(alloc_sweep_native PRIVATE -Wl,--wrap=malloc,--wrap=calloc,--wrap=realloc)
add_test(NAME native.alloc_sweep COMMAND alloc_sweep_native)
