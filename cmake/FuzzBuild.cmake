# libFuzzer targets under AddressSanitizer and UndefinedBehaviorSanitizer:
# the foundation and the script layer (through its native platform stand-ins).
# Configure with clang: cmake -S . -B build/fuzz -DCMAKE_CXX_COMPILER=clang++ -DUPDATER_FUZZ=ON
set(FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g -O1)
file(GLOB SCRIPT_SOURCES CONFIGURE_DEPENDS ${SRC}/script/*.cpp)
list(FILTER SCRIPT_SOURCES EXCLUDE REGEX "Win\\.cpp$")

add_library(fuzz_core STATIC ${FOUNDATION_SOURCES} ${SRC}/foundation/PlatformNative.cpp ${SCRIPT_SOURCES})
target_include_directories(fuzz_core PUBLIC ${SRC})
target_compile_options(fuzz_core PUBLIC -fsanitize=fuzzer-no-link,address,undefined
    -fno-sanitize-recover=all -fno-omit-frame-pointer -g -O1 -fno-exceptions)

foreach(target text format numbers bytebuffer expand crc32 paths)
    add_executable(fuzz_${target} ${SRC}/tools/fuzz/fuzz_${target}.cpp)
    target_compile_options(fuzz_${target} PRIVATE ${FUZZ_FLAGS})
    target_link_options(fuzz_${target} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(fuzz_${target} PRIVATE fuzz_core)
endforeach()
target_link_libraries(fuzz_crc32 PRIVATE z)

# The script checker over a whole fuzzed script: its own code with the
# program's readers, engine and expansion; the profile and the type table
# are stand-ins in the target itself.
set(CHECKER_FUZZ_SOURCES ${SRC}/checker/Checker.cpp ${SRC}/checker/NameMap.cpp ${SRC}/checker/Problems.cpp
    ${SRC}/checker/Rules.cpp ${SRC}/checker/RunBounds.cpp ${SRC}/checker/ScriptChecks.cpp ${SRC}/checker/ScriptLines.cpp ${SRC}/checker/Values.cpp
    ${SRC}/engine/Engine.cpp ${SRC}/engine/ListStack.cpp ${SRC}/engine/Run.cpp ${SRC}/engine/Switch.cpp
    ${SRC}/procedures/Procedure.cpp ${SRC}/tools/fuzz/ProgressStandIns.cpp)
set(CHECKER_SCRIPT_SOURCES ${SCRIPT_SOURCES})
list(FILTER CHECKER_SCRIPT_SOURCES EXCLUDE REGEX "Native\\.cpp$")
add_executable(fuzz_checker ${SRC}/tools/fuzz/fuzz_checker.cpp ${CHECKER_FUZZ_SOURCES} ${CHECKER_SCRIPT_SOURCES}
    ${FOUNDATION_SOURCES} ${SRC}/foundation/PlatformNative.cpp)
target_include_directories(fuzz_checker PRIVATE ${SRC})
target_compile_options(fuzz_checker PRIVATE ${FUZZ_FLAGS} -fno-exceptions)
target_link_options(fuzz_checker PRIVATE -fsanitize=fuzzer,address,undefined)

# The whole script: the engine and the common reader over the script layer,
# with stand-ins for the types' runs (tools/fuzz/fuzz_script.cpp).
add_executable(fuzz_script ${SRC}/tools/fuzz/fuzz_script.cpp ${SRC}/engine/Engine.cpp ${SRC}/engine/ListStack.cpp
    ${SRC}/engine/Run.cpp ${SRC}/engine/Switch.cpp ${SRC}/procedures/Procedure.cpp ${SRC}/tools/fuzz/ProgressStandIns.cpp)
target_compile_options(fuzz_script PRIVATE ${FUZZ_FLAGS})
target_link_options(fuzz_script PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(fuzz_script PRIVATE fuzz_core)
