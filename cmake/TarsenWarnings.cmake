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

# tarsen_pic_layer(<name>): tarsen_<name>_pic, the library of a layer built once more as
# position-independent code, for a shared module to link; the layers it links are replaced by
# theirs. It has the layer's sources, settings and links as the layer's folder left them, and is
# built only when something links it. The programs keep linking the layers themselves, so their
# code is not changed by the module's needs.
function(tarsen_pic_layer name)
    set(twin tarsen_${name}_pic)
    if(TARGET ${twin})
        return()
    endif()
    get_target_property(sources tarsen_${name} SOURCES)
    add_library(${twin} STATIC EXCLUDE_FROM_ALL ${sources})
    set_target_properties(${twin} PROPERTIES POSITION_INDEPENDENT_CODE ON AUTOMOC OFF)
    set(layers "")
    foreach(property INCLUDE_DIRECTORIES COMPILE_DEFINITIONS COMPILE_OPTIONS LINK_LIBRARIES
                     INTERFACE_INCLUDE_DIRECTORIES INTERFACE_COMPILE_DEFINITIONS
                     INTERFACE_LINK_LIBRARIES)
        get_target_property(values tarsen_${name} ${property})
        if(NOT values)
            continue()
        endif()
        set(mapped "")
        foreach(value IN LISTS values)
            if(value MATCHES "^(\\$<LINK_ONLY:)?tarsen_([a-z]+)(>?)$"
               AND NOT CMAKE_MATCH_2 STREQUAL "common")
                list(APPEND layers ${CMAKE_MATCH_2})
                set(value "${CMAKE_MATCH_1}tarsen_${CMAKE_MATCH_2}_pic${CMAKE_MATCH_3}")
            endif()
            list(APPEND mapped "${value}")
        endforeach()
        set_target_properties(${twin} PROPERTIES ${property} "${mapped}")
    endforeach()
    list(REMOVE_DUPLICATES layers)
    foreach(layer IN LISTS layers)
        tarsen_pic_layer(${layer})
    endforeach()
endfunction()
