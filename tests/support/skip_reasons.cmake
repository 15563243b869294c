# Says why each skipped test was skipped, from what it printed, under ctest's
# summary: ctest runs it after the tests (CTEST_CUSTOM_POST_TEST, written into
# the build folder's CTestCustom.cmake by tests/CMakeLists.txt), as its own
# summary names a skipped test without its reason.
#   cmake -DLOG=BUILD/Testing/Temporary/LastTest.log -P skip_reasons.cmake
# It never fails: at worst it says nothing.
cmake_minimum_required(VERSION 3.25)
# While ctest runs, this run's log is LOG.tmp; LOG is the last run's until then.
if(EXISTS "${LOG}.tmp")
  file(READ "${LOG}.tmp" log)
elseif(EXISTS "${LOG}")
  file(READ "${LOG}" log)
else()
  return()
endif()
# GoogleTest prints "FILE:LINE: Skipped", the reason, then "[  SKIPPED ] NAME";
# ctest heads each test's part of the log with "N/M Testing: NAME". The text is
# searched as a whole, never split into a list: a reason may hold a semicolon.
set(reasons "")
while(TRUE)
  string(FIND "${log}" ": Skipped\n" at)
  if(at EQUAL -1)
    break()
  endif()
  string(SUBSTRING "${log}" 0 ${at} before)
  string(FIND "${before}" " Testing: " heading REVERSE)
  set(name "a test")
  if(NOT heading EQUAL -1)
    math(EXPR heading "${heading} + 10")
    string(SUBSTRING "${before}" ${heading} -1 name)
    string(FIND "${name}" "\n" end)
    string(SUBSTRING "${name}" 0 ${end} name)
  endif()
  math(EXPR at "${at} + 10")
  string(SUBSTRING "${log}" ${at} -1 log)
  string(FIND "${log}" "[  SKIPPED ]" end)
  string(SUBSTRING "${log}" 0 ${end} reason)
  string(STRIP "${reason}" reason)
  string(REPLACE "\n" " " reason "${reason}")
  string(APPEND reasons "\t${name}: ${reason}\n")
endwhile()
if(NOT reasons STREQUAL "")
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo "Skipped, and why:\n${reasons}")
endif()
