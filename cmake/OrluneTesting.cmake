# orlune_add_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>] [TIMEOUT <s>])
# One Qt Test executable per behaviour group. Widget tests run on the offscreen platform;
# tests labelled "audio" run against a PulseAudio server with a null sink of their own.
function(orlune_add_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    # The sanitizers make a suite up to ten times slower; the widget suites that wait on real
    # sound came within a few seconds of the plain timeout.
    if(ORLUNE_SANITIZE)
        math(EXPR T_TIMEOUT "${T_TIMEOUT} * 3")
    endif()
    add_executable(${name} ${T_SOURCES})
    # A suite is one file: batching gains nothing, and GCC would take its anonymous types for
    # a header's.
    set_target_properties(${name} PROPERTIES UNITY_BUILD OFF)
    target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
    # testmain.h: the mains of suites that open sound devices.
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    # Each audio suite gets a sound server and a null sink of its own, so that suites can play
    # and capture at the same time without hearing each other.
    if("audio" IN_LIST T_LABELS)
        add_test(NAME ${name}
            COMMAND bash ${PROJECT_SOURCE_DIR}/tools/with-own-pulse.sh $<TARGET_FILE:${name}>)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ORLUNE_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
        TIMEOUT ${T_TIMEOUT})
    if(T_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
    endif()
endfunction()
