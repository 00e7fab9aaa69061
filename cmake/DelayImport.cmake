# Delay-import libraries for MinGW: a program linked with one loads the DLL
# the first time it calls one of its functions (through the runtime's
# __delayLoadHelper2), not when the program starts.
#
#   qf_delay_import_library(<dll>)   e.g. qf_delay_import_library(user32)
#
# sets QF_<dll>_DELAY_LIB to the library to link with and defines the target
# qf_<dll>_delay_lib that makes it, with dlltool, from a definition file that
# lists every function of the MinGW import library. The library is named by
# its path, not through a target, so that it takes its place in the link
# command line where the program lists it.
#
# GNU ld drops an import member's jump stub when nothing calls it by its
# plain name; a delay-import entry then has no stub to start from. Code that
# calls these functions must therefore not declare them dllimport, which
# _USER32_ and _GDI32_ switch off in the MinGW headers (the calls then go
# through the stub, one jump more).
#
# Run as a script (cmake -P) it writes the definition file:
#   -DNM=<nm> -DIMPORT_LIB=<lib<dll>.a> -DDLL=<dll>.dll -DDEF=<out.def> -DPOINTER_SIZE=<4 or 8>

if(CMAKE_SCRIPT_MODE_FILE)
  execute_process(COMMAND ${NM} ${IMPORT_LIB} OUTPUT_VARIABLE symbols ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
  # Import entries look like "00000000 I __imp__CreateWindowExW@48" for
  # i686 (stdcall names) and "0000000000000000 I __imp_CreateWindowExW" for
  # x86-64, which has one calling convention and no decoration.
  if(POINTER_SIZE EQUAL 8)
    string(REGEX MATCHALL "I __imp_[A-Za-z_][A-Za-z0-9_]*" entries "${symbols}")
    list(TRANSFORM entries REPLACE "^I __imp_" "")
  else()
    string(REGEX MATCHALL "I __imp__[A-Za-z_][A-Za-z0-9_]*@[0-9]+" entries "${symbols}")
    list(TRANSFORM entries REPLACE "^I __imp__" "")
  endif()
  list(REMOVE_DUPLICATES entries)
  list(SORT entries)
  list(JOIN entries "\n" body)
  file(WRITE ${DEF} "LIBRARY ${DLL}\nEXPORTS\n${body}\n")
  return()
endif()

find_program(QF_DLLTOOL NAMES ${QF_MINGW_PREFIX}-dlltool REQUIRED)

function(qf_delay_import_library dll)
  find_library(QF_IMPORT_LIB_${dll} NAMES lib${dll}.a REQUIRED)
  set(dir ${CMAKE_BINARY_DIR}/delay-import)
  set(def ${dir}/${dll}.def)
  set(lib ${dir}/lib${dll}_delay.a)
  add_custom_command(
    OUTPUT ${lib}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DIMPORT_LIB=${QF_IMPORT_LIB_${dll}} -DDLL=${dll}.dll
            -DDEF=${def} -DPOINTER_SIZE=${CMAKE_SIZEOF_VOID_P} -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
    COMMAND ${QF_DLLTOOL} --kill-at --input-def ${def} --output-delaylib ${lib}
    DEPENDS ${QF_IMPORT_LIB_${dll}} ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
    COMMENT "Delay-import library for ${dll}.dll"
    VERBATIM)
  add_custom_target(qf_${dll}_delay_lib DEPENDS ${lib})
  set(QF_${dll}_DELAY_LIB ${lib} PARENT_SCOPE)
endfunction()
