# The tool's code below app/ (the reader and the join) as a static library.
# The main build and the fuzz build (tests/fuzz) both make it from here.
set(PAIRTONE_ROOT ${CMAKE_CURRENT_LIST_DIR}/..)

# Messages are written in UTF-8 in the source and leave the program as
# Shift_JIS (code page 932) bytes; clang has no such option, so a clang build
# keeps UTF-8 messages.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  set(PAIRTONE_MESSAGE_CHARSET -finput-charset=UTF-8 -fexec-charset=CP932)
else()
  set(PAIRTONE_MESSAGE_CHARSET "")
endif()

function(pairtone_core_add target)
  add_library(${target} STATIC
    ${PAIRTONE_ROOT}/wave/file_name.cpp
    ${PAIRTONE_ROOT}/wave/wav_read.cpp
    ${PAIRTONE_ROOT}/join/wav_combine.cpp
    ${PAIRTONE_ROOT}/join/wav_header_write.cpp
    ${PAIRTONE_ROOT}/join/wav_data_write.cpp)
  target_include_directories(${target} PUBLIC ${PAIRTONE_ROOT})
  target_compile_definitions(${target} PUBLIC _FILE_OFFSET_BITS=64)
  target_compile_options(${target} PRIVATE ${PAIRTONE_MESSAGE_CHARSET})
  # File names are printed in CP932 by iconv on POSIX systems (part of the C
  # library with glibc, a library of its own on macOS); Windows converts them itself.
  if(NOT WIN32)
    find_package(Iconv REQUIRED)
    target_link_libraries(${target} PUBLIC Iconv::Iconv)
  endif()
endfunction()
