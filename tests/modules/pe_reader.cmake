# Portable reader of PE files (exports, imports, resources, version
# resources), for the tests that inspect the built modules and for the fuzzers.
if(NOT TARGET kelvo_pe_reader)
  add_library(kelvo_pe_reader STATIC
    ${CMAKE_CURRENT_LIST_DIR}/pe_reader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pe_version.cpp)
  target_include_directories(kelvo_pe_reader PUBLIC ${CMAKE_CURRENT_LIST_DIR})
endif()
