# The layer rule: a folder under src/ includes only the folders below it.
#
#   port < base < image < settings < files < camera < process < colour < scope < acquire < app
#   < the front ends app/qt, cli, indi (which never include each other)
#
# sim/ and platform/ realise the ports (the simulated and the Linux devices): they may include
# every folder below app/ and each other. rig/ wires the real or simulated devices to the
# program for both front ends: it sits above app/, sim/ and platform/, below the front ends.
# Nothing below them includes sim/, platform/ or rig/. Run with
#   cmake -DSOURCE_DIR=<repository>/src -P tools/check-layers.cmake
# and it fails, listing each offending line, when an include goes up or sideways.

cmake_minimum_required(VERSION 3.25)

set(order port base image settings files camera process colour scope acquire app)
set(front_ends app/qt cli indi)

# Includes that break the rule on purpose, one per line as "from-folder/file -> header", each
# with the reason beside it in a comment.
set(allowed
)

function(rank_of folder out)
  list(FIND order "${folder}" index)
  if(index GREATER -1)
    set(${out} ${index} PARENT_SCOPE)
  elseif(folder IN_LIST front_ends)
    set(${out} 100 PARENT_SCOPE)
  elseif(folder STREQUAL "sim" OR folder STREQUAL "platform")
    set(${out} 50 PARENT_SCOPE)
  elseif(folder STREQUAL "rig")
    set(${out} 60 PARENT_SCOPE)
  else()
    set(${out} -1 PARENT_SCOPE)
  endif()
endfunction()

function(folder_of path out)
  if(path MATCHES "^app/qt/")
    set(${out} app/qt PARENT_SCOPE)
  else()
    string(REGEX REPLACE "/.*" "" folder "${path}")
    set(${out} ${folder} PARENT_SCOPE)
  endif()
endfunction()

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
set(faults 0)
foreach(source ${sources})
  folder_of(${source} from)
  rank_of(${from} from_rank)
  if(from_rank EQUAL -1)
    message(SEND_ERROR "${source}: folder '${from}' has no place in the layers")
    math(EXPR faults "${faults} + 1")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/${source} lines REGEX "^#include \"")
  foreach(line ${lines})
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" header "${line}")
    if(NOT header MATCHES "/")
      continue()  # a header beside this file
    endif()
    folder_of(${header} to)
    if(to STREQUAL from)
      continue()
    endif()
    rank_of(${to} to_rank)
    set(entry "${source} -> ${header}")
    if(entry IN_LIST allowed)
      continue()
    endif()
    set(ok FALSE)
    if(to_rank GREATER -1 AND to_rank LESS from_rank)
      set(ok TRUE)
    endif()
    # Only the realisations themselves, the rig and the front ends reach sim/ and platform/.
    if(to_rank EQUAL 50 AND from_rank LESS 50)
      set(ok FALSE)
    endif()
    # The realisations reach the folders below app/, and each other: the Linux pseudo-terminal
    # carries the simulated mount and AO unit.
    if(from_rank EQUAL 50)
      if(to_rank GREATER -1 AND (to_rank LESS 10 OR to_rank EQUAL 50))
        set(ok TRUE)
      else()
        set(ok FALSE)
      endif()
    endif()
    if(NOT ok)
      message(SEND_ERROR "${source}: #include \"${header}\" goes up or sideways (${from} -> ${to})")
      math(EXPR faults "${faults} + 1")
    endif()
  endforeach()
endforeach()
if(faults GREATER 0)
  message(FATAL_ERROR "${faults} includes break the layer rule")
endif()
message(STATUS "Every include follows the layer rule")
