# kometori_delay_load(TARGET NAME...): the target loads these system DLLs at
# the first call into them instead of at its start. The console companion
# needs the window libraries for a few commands only, and loading them starts
# the font and desktop machinery (under Wine a tenth of a second or more); the
# window program needs the dialogs, the shell, COM and WinINet only once the
# user asks for something.
function(kometori_delay_load target)
    if(MSVC)
        foreach(name IN LISTS ARGN)
            target_link_options(${target} PRIVATE "/DELAYLOAD:${name}.dll")
        endforeach()
        target_link_libraries(${target} PRIVATE delayimp)
    elseif(MINGW)
        # GNU ld has no /DELAYLOAD: dlltool makes a delay-import library from
        # the names the system's import library exports; it comes before the
        # system's own in the link, so it is the one used. One library of each
        # DLL, shared by the targets.
        set(libraries "")
        foreach(name IN LISTS ARGN)
            set(output "${CMAKE_BINARY_DIR}/delayload/lib${name}_delay.a")
            if(NOT TARGET kometori_delay_${name})
                find_library(KOMETORI_IMPORT_${name} NAMES "lib${name}.a" REQUIRED)
                add_custom_command(OUTPUT "${output}"
                    COMMAND "${CMAKE_COMMAND}" "-DNM=${CMAKE_NM}" "-DDLLTOOL=${CMAKE_DLLTOOL}"
                            "-DIMPORT=${KOMETORI_IMPORT_${name}}" "-DOUTPUT=${output}"
                            -P "${CMAKE_SOURCE_DIR}/cmake/MakeDelayLib.cmake"
                    DEPENDS "${KOMETORI_IMPORT_${name}}" "${CMAKE_SOURCE_DIR}/cmake/MakeDelayLib.cmake"
                    COMMENT "Delay-import library for ${name}.dll"
                    VERBATIM)
                add_custom_target(kometori_delay_${name} DEPENDS "${output}")
            endif()
            add_dependencies(${target} kometori_delay_${name})
            list(APPEND libraries "${output}")
        endforeach()
        target_link_libraries(${target} PRIVATE ${libraries})
    endif()
endfunction()
