# A module folder holds portable logic (*.cpp) and its Win32 adapters (*_win32.cpp) side by side.
# ostrel_module(NAME [DEPENDS lib...] [WIN32_LIBS lib...]) makes ostrel_NAME from the portable
# sources and, in Windows builds, ostrel_NAME_win32 from the adapters.
function(ostrel_module name)
    cmake_parse_arguments(ARG "" "" "DEPENDS;WIN32_LIBS" ${ARGN})
    file(GLOB all_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    set(portable ${all_sources})
    list(FILTER portable EXCLUDE REGEX "_win32\\.cpp$")
    set(adapters ${all_sources})
    list(FILTER adapters INCLUDE REGEX "_win32\\.cpp$")

    add_library(ostrel_${name} STATIC ${portable})
    target_include_directories(ostrel_${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(ostrel_${name} PUBLIC ${ARG_DEPENDS})
    set_target_properties(ostrel_${name} PROPERTIES LINKER_LANGUAGE CXX)

    if(WIN32 AND adapters)
        add_library(ostrel_${name}_win32 STATIC ${adapters})
        target_link_libraries(ostrel_${name}_win32 PUBLIC ostrel_${name} ${ARG_WIN32_LIBS})
    endif()
endfunction()
