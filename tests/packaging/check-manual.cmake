# The user manual's chapters are numbered in order, and chapter 6 is the one the windowed
# program's firmware message sends the user to: updating the programmer's firmware.
# usage: cmake -DMANUAL=<index.html> -P check-manual.cmake
file(READ ${MANUAL} text)
string(REGEX MATCHALL "<h2[^>]*>[^<]*</h2>" headings "${text}")
set(expected 1)
foreach(heading IN LISTS headings)
    if(NOT heading MATCHES ">${expected} ")
        message(FATAL_ERROR "chapter ${expected} expected, found ${heading}")
    endif()
    if(expected EQUAL 6 AND NOT heading MATCHES ">6 Updating the programmer's firmware<")
        message(FATAL_ERROR "chapter 6 is not about updating the firmware: ${heading}")
    endif()
    math(EXPR expected "${expected} + 1")
endforeach()
if(expected LESS 7)
    message(FATAL_ERROR "the manual has no chapter 6")
endif()
