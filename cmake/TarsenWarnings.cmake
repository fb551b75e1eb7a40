# tarsen_target_warnings(<target>): the project's warning set on one target.
function(tarsen_target_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wfloat-conversion
                                             -Wnon-virtual-dtor -Woverloaded-virtual)
    if(TARSEN_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# tarsen_add_layer(<name> [PUBLIC_LIBS ...] [PRIVATE_LIBS ...]): the library of one source folder,
# made of every .cpp file in it.
function(tarsen_add_layer name)
    cmake_parse_arguments(ARG "" "" "PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    if(NOT sources)
        return()
    endif()
    add_library(tarsen_${name} STATIC ${sources} ${headers})
    target_include_directories(tarsen_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(tarsen_${name} PUBLIC tarsen_common ${ARG_PUBLIC_LIBS}
                                         PRIVATE ${ARG_PRIVATE_LIBS})
    tarsen_target_warnings(tarsen_${name})
endfunction()
