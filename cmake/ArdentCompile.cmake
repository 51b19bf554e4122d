# Compiler settings every Ardent target shares: warnings, optional -Werror, optional sanitizers.

set(ARDENT_WARNING_FLAGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
    -Wnon-virtual-dtor -Woverloaded-virtual -Wimplicit-fallthrough)

if(ARDENT_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# ardent_target_defaults(<target>): the project's warnings (and -Werror when asked) on one target.
function(ardent_target_defaults target)
    target_compile_options(${target} PRIVATE ${ARDENT_WARNING_FLAGS})
    if(ARDENT_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# ardent_program_version(<target> <major.minor.release>): compiles the program's own version
# record into <target>; GetProgramVersion() reports it.
function(ardent_program_version target version)
    string(REPLACE "." ";" parts ${version})
    list(GET parts 0 ARDENT_VERSION_MAJOR)
    list(GET parts 1 ARDENT_VERSION_MINOR)
    list(GET parts 2 ARDENT_VERSION_RELEASE)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_ProgramVersion.cpp)
    configure_file(${CMAKE_SOURCE_DIR}/cmake/ProgramVersion.cpp.in ${out} @ONLY)
    target_sources(${target} PRIVATE ${out})
endfunction()
