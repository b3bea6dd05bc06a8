# The core's tests that need no window, for Linux and for Windows alike, and what they run on:
# the test support, a stand-in converter and an argument printer. The includer names its
# ffmpeg (PIVORA_TEST_FFMPEG) and provides the GTest::gtest target.
cmake_path(GET CMAKE_CURRENT_LIST_DIR PARENT_PATH PIVORA_TESTS_DIR)

# The tests find the helpers in "helpers" beside themselves.
add_executable(fake_conv ${PIVORA_TESTS_DIR}/support/fake_conv.cpp)
add_executable(print_args ${PIVORA_TESTS_DIR}/support/print_args.cpp)
set_target_properties(fake_conv print_args PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/helpers)

add_library(pivora_test_support STATIC ${PIVORA_TESTS_DIR}/support/TestSupport.cpp)
target_include_directories(pivora_test_support PUBLIC ${PIVORA_TESTS_DIR}/support)
target_compile_definitions(pivora_test_support PRIVATE PIVORA_FFMPEG_PATH="${PIVORA_TEST_FFMPEG}")
add_dependencies(pivora_test_support fake_conv print_args)
target_link_libraries(pivora_test_support PUBLIC pivora_core GTest::gtest)

set(PIVORA_CORE_TEST_SOURCES
    platform/CommandLineRulesTest.cpp
    platform/RemoveFolderTreeTest.cpp
    engine/CommandLineTest.cpp
    engine/RunnerTest.cpp
    engine/ProgressTest.cpp
    engine/RunOutcomeTest.cpp
    engine/BatchDriverTest.cpp
    input/InputListTest.cpp
    input/PathHelpersTest.cpp
    input/FileSearchTest.cpp
    input/TempCopiesTest.cpp
    settings/SettingsFilesTest.cpp
    window/HeldUpCallsTest.cpp
    window/MainLogicTest.cpp
    window/OptionsLogicTest.cpp)
list(TRANSFORM PIVORA_CORE_TEST_SOURCES PREPEND ${PIVORA_TESTS_DIR}/)
