# 64-bit Windows: the test build where 32-bit programs cannot run (tools/arch.sh).
set(mingw_target x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
