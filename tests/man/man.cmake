add_test(NAME man_pages_lint COMMAND ${CMAKE_CURRENT_LIST_DIR}/lint.sh
  ${PROJECT_SOURCE_DIR}/doc/tactus.1 ${PROJECT_SOURCE_DIR}/doc/tactus-ports.1
  ${PROJECT_SOURCE_DIR}/doc/tactus-info.1)
