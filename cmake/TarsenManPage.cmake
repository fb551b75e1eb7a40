# Writes the man page of tarsen-batch from its own help: help2man reads --help and --version,
# and each command's --help becomes a section of its own, so the page never disagrees with the
# tool. Run as: cmake -DBATCH=<tarsen-batch> -DHELP2MAN=<help2man> -DOUTPUT=<tarsen-batch.1>
#                     -P TarsenManPage.cmake
get_filename_component(work ${OUTPUT} DIRECTORY)
set(include_file ${work}/tarsen-batch.h2m)
set(sections "")
foreach(command check materials run)
    execute_process(COMMAND ${BATCH} ${command} --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "${BATCH} ${command} --help failed")
    endif()
    # Roff: a backslash is escaped, and a line may not start with a control character.
    string(REPLACE "\\" "\\e" help "${help}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
    string(TOUPPER ${command} title)
    string(APPEND sections "[COMMAND ${title}]\n.nf\n${help}.fi\n\n")
endforeach()
file(WRITE ${include_file} "${sections}")
execute_process(
    COMMAND ${HELP2MAN} --no-info --section=1
            "--name=runs Tarsen's temperature computations without a window"
            --include=${include_file} --output=${OUTPUT} ${BATCH}
    RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "help2man could not write ${OUTPUT}")
endif()
