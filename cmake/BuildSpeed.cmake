# How the build is made quicker without changing what it builds:
#   - the toolkit's, GoogleTest's and the standard library's headers are compiled once per
#     target instead of once per source file (precompiled headers), the test programs sharing
#     the test library's;
#   - the targets with many sources compile them in batches (unity builds);
#   - ccache, when it is installed, keeps what was compiled for the next build.
# Turning VORNAL_PCH and VORNAL_UNITY off builds every file on its own, which shows a file that
# does not include what it uses.
option(VORNAL_PCH "Precompile the toolkit's, GoogleTest's and the standard library's headers" ON)
option(VORNAL_UNITY "Compile the sources of the larger targets in batches" ON)

# ccache takes a file compiled with a precompiled header only when told that the header's
# macros and its time stamps may be trusted: the build makes the header anew whenever what it
# holds changes.
find_program(VORNAL_CCACHE ccache)
if(VORNAL_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
    set(vornal_ccache_launcher ${CMAKE_COMMAND} -E env
        CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
        ${VORNAL_CCACHE})
    set(CMAKE_C_COMPILER_LAUNCHER ${vornal_ccache_launcher})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${vornal_ccache_launcher})
endif()

set(vornal_std_headers <algorithm> <array> <chrono> <cstdint> <cstdio> <cstdlib> <cstring>
    <functional> <memory> <optional> <string> <utility> <vector>)
set(vornal_qt_headers <QApplication> <QByteArray> <QClipboard> <QCoreApplication>
    <QGuiApplication> <QImage> <QMdiArea> <QPainter> <QPointer> <QString> <QTimer> <QWidget>)

# The toolkit's and the standard library's headers, for a target of platform/ (the only code
# that may use the toolkit). C sources of the target are left alone.
function(vornal_precompile_toolkit target)
    if(VORNAL_PCH)
        set(headers)
        foreach(header IN LISTS vornal_std_headers vornal_qt_headers)
            string(REPLACE ">" "$<ANGLE-R>" header "${header}")
            list(APPEND headers "$<$<COMPILE_LANGUAGE:CXX>:${header}>")
        endforeach()
        target_precompile_headers(${target} PRIVATE ${headers})
    endif()
endfunction()

# The same and GoogleTest's, made for the test library and used by every test program.
function(vornal_precompile_tests target)
    if(VORNAL_PCH)
        target_precompile_headers(${target} PRIVATE
            ${vornal_std_headers} ${vornal_qt_headers} <gtest/gtest.h>)
    endif()
endfunction()
function(vornal_reuse_test_headers target)
    if(VORNAL_PCH)
        target_precompile_headers(${target} REUSE_FROM vornal_test_main)
    endif()
endfunction()

# Batches of a target's sources, for a target of many sources that parse the same headers.
# g++ takes a source file included into a batch for a header, and warns of its classes that
# derive from file-local ones (as test fixtures do): in a batch they stay local to it.
function(vornal_unity target)
    if(VORNAL_UNITY)
        set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
        target_compile_options(${target} PRIVATE
            $<$<COMPILE_LANG_AND_ID:CXX,GNU>:-Wno-subobject-linkage>)
    endif()
endfunction()
