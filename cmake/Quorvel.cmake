# What every target of the project shares: its warnings, and for a library the one include
# directory it publishes, which holds its own headers and nothing else.

option(QUORVEL_WERROR "Treat compiler warnings as errors (the CI build does)" OFF)

function(quorvel_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion)
    if(QUORVEL_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# quorvel_library(<target> <folder> [QT] <source>...)
#
# A static library of sources under src/<folder>. Its include directory, in the build tree,
# holds only a link named <folder> to src/<folder>: the library and whoever links it write
# #include "<folder>/x.h", and a header of a library that is not linked cannot be found. A
# pure library, which links no Qt target, so cannot reach a Qt header either. QT turns on
# moc for the library's QObject classes.
function(quorvel_library target folder)
    cmake_parse_arguments(PARSE_ARGV 2 arg "QT" "" "")
    add_library(${target} STATIC ${arg_UNPARSED_ARGUMENTS})
    set(include ${PROJECT_BINARY_DIR}/include/${folder})
    # A folder inside another (ui/panels) gets the path to it, and only its own folder at the end.
    get_filename_component(parent ${include}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    if(NOT EXISTS ${include}/${folder})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${include}/${folder} SYMBOLIC)
    endif()
    target_include_directories(${target} PUBLIC ${include})
    quorvel_warnings(${target})
    if(arg_QT)
        set_target_properties(${target} PROPERTIES AUTOMOC ON)
    endif()
endfunction()

# quorvel_executable(<target> [QT] <source>...)
function(quorvel_executable target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "QT" "" "")
    add_executable(${target} ${arg_UNPARSED_ARGUMENTS})
    quorvel_warnings(${target})
    if(arg_QT)
        set_target_properties(${target} PROPERTIES AUTOMOC ON)
    endif()
endfunction()
