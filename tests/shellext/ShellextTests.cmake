# Tests of the shell extension, included at the end of the top-level folder (after tests/,
# which defines GoogleTest and the test-support library). Paths are relative to this file.
set(VT_SHELLEXT_TESTS ${CMAKE_CURRENT_LIST_DIR})
include(GoogleTest)  # its discovery script is found through a variable of this scope
# Debian's GoogleTest package gives imported targets that only tests/ sees: find it here too.
if(NOT TARGET GTest::gtest_main)
  find_package(GTest QUIET)
endif()

if(TARGET GTest::gtest_main AND TARGET vttestsupport)
  # The rules without COM.
  add_executable(test_unfurl_logic ${VT_SHELLEXT_TESTS}/test_unfurl_logic.cpp)
  target_link_libraries(test_unfurl_logic PRIVATE unfurllogic vtcore GTest::gtest_main)
  gtest_discover_tests(test_unfurl_logic DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    PROPERTIES TIMEOUT 300)

  if(NOT WIN32)
    return()
  endif()

  # The DLL driven as Explorer drives it. One CTest test: its cases share the registry of
  # the wine prefix, so they run in one process, one after the other.
  add_library(explorerclient STATIC ${VT_SHELLEXT_TESTS}/ExplorerClient.cpp)
  target_link_libraries(explorerclient PUBLIC ole32 oleaut32 uuid shell32 shlwapi user32)
  add_executable(test_unfurl_explorer ${VT_SHELLEXT_TESTS}/test_explorer.cpp)
  target_link_libraries(test_unfurl_explorer PRIVATE explorerclient vttestsupport
    GTest::gtest_main)
  target_compile_definitions(test_unfurl_explorer PRIVATE
    UNFURL_DLL_PATH="$<TARGET_FILE:Unfurl>")
  add_dependencies(test_unfurl_explorer Unfurl)
  add_test(NAME shellext_explorer COMMAND test_unfurl_explorer)
  set_tests_properties(shellext_explorer PROPERTIES TIMEOUT 600 RESOURCE_LOCK unfurl_registry)

  # Times Initialize for the files named on its command line (not a test).
  add_executable(time_unfurl_initialize ${VT_SHELLEXT_TESTS}/time_initialize.cpp)
  target_link_libraries(time_unfurl_initialize PRIVATE explorerclient)
  target_compile_definitions(time_unfurl_initialize PRIVATE
    UNFURL_DLL_PATH="$<TARGET_FILE:Unfurl>")
else()
  message(STATUS "Shell extension tests skipped: GoogleTest or the test support library is missing")
endif()
