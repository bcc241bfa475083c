# A '%s' in a format no longer quotes anything: a text goes in through
# kel::sql::quoted. Fails when a source of the library still writes one.
file(GLOB_RECURSE sources ${ROOT}/SQLServerClientDLL/*.cpp ${ROOT}/SQLServerClientDLL/*.h ${ROOT}/include/*.h
     ${ROOT}/Include/*.h ${ROOT}/platform/*.cpp ${ROOT}/platform/*.h ${ROOT}/handler/*.cpp ${ROOT}/handler/*.h)
set(found "")
foreach(source ${sources})
  file(STRINGS ${source} lines REGEX "'%[-+ #0-9.*]*s'")
  foreach(line ${lines})
    string(APPEND found "${source}: ${line}\n")
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "a %s between quotes in a format:\n${found}")
endif()
