# 32-bit Windows: the product.
set(mingw_target i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
