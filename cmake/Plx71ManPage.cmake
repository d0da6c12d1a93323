# Writes a gzip'd manual page from a program's --help (cmake -P).
# In: HELP2MAN, PROGRAM, SUMMARY, INCLUDE, VERSION, OUTPUT (ends in .gz).
# A program that does not answer --version gets the project version.
execute_process(COMMAND ${PROGRAM} --version RESULT_VARIABLE version_rc OUTPUT_QUIET ERROR_QUIET)
set(version_args)
if(NOT version_rc EQUAL 0)
  set(version_args --version-string=${VERSION})
endif()
string(REGEX REPLACE "\\.gz$" "" page ${OUTPUT})
get_filename_component(folder ${page} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
# Run through PATH, so the usage lines name the program, not its build folder.
get_filename_component(program_dir ${PROGRAM} DIRECTORY)
get_filename_component(program_name ${PROGRAM} NAME)
set(run_program ${CMAKE_COMMAND} -E env "PATH=${program_dir}:$ENV{PATH}")

# A program with subcommands gets a COMMANDS section: each subcommand's
# --help as it prints it.
set(includes --include=${INCLUDE})
execute_process(COMMAND ${run_program} ${program_name} --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
string(FIND "${help}" "\nSubcommands:\n" at)
if(rc EQUAL 0 AND NOT at EQUAL -1)
  string(SUBSTRING "${help}" ${at} -1 listing)
  # The listing ends at its first blank line (a footer may follow).
  string(FIND "${listing}" "\n\n" listing_end)
  if(NOT listing_end EQUAL -1)
    string(SUBSTRING "${listing}" 0 ${listing_end} listing)
  endif()
  string(REGEX MATCHALL "\n  [a-z][a-z0-9_-]*" subcommands "${listing}")
  set(commands "[COMMANDS]\n")
  foreach(line ${subcommands})
    string(STRIP "${line}" sub)
    execute_process(COMMAND ${run_program} ${program_name} ${sub} --help OUTPUT_VARIABLE text)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "-" "\\-" text "${text}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
    string(APPEND commands ".SS \"${program_name} ${sub}\"\n.nf\n${text}.fi\n")
  endforeach()
  file(WRITE ${page}.commands.h2m "${commands}")
  list(APPEND includes --include=${page}.commands.h2m)
endif()

execute_process(
  COMMAND ${run_program} ${HELP2MAN} --no-info --section=1 --name=${SUMMARY} ${includes} ${version_args}
          --output=${page} ${program_name}
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "help2man failed for ${PROGRAM}")
endif()
# -n: no name or time stamp in the gzip header, so the page is reproducible.
execute_process(COMMAND gzip -9nf ${page} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "gzip failed for ${page}")
endif()
