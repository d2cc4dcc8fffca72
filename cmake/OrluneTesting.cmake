# orlune_add_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>] [TIMEOUT <s>])
# One Qt Test executable per behaviour group. Widget tests run on the offscreen platform;
# tests labelled "audio" need the PulseAudio null sink that tools/start-pulse.sh starts.
function(orlune_add_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
    # testmain.h: the mains of suites that open sound devices.
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ORLUNE_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
        TIMEOUT ${T_TIMEOUT})
    if(T_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
    endif()
    # One null sink for all: two tests playing at once would hear each other.
    if("audio" IN_LIST T_LABELS)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK orlune_nullsink)
    endif()
endfunction()
