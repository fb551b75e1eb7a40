# tarsen_target_warnings(<target>): the project's warning set on one target.
function(tarsen_target_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wfloat-conversion
                                             -Wnon-virtual-dtor -Woverloaded-virtual)
    if(TARSEN_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
