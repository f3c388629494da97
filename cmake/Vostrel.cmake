# Warnings on every target of ours: libraries, tools and tests.
set(VOSTREL_WARNINGS -Wall -Wextra -Wno-missing-field-initializers)  # designated initializers leave fields out on purpose

# vostrel_library(folder deps...): a static library vo_<folder> from every source of src/<folder>.
function(vostrel_library folder)
  file(GLOB _src CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/src/${folder}/*.cpp
    ${CMAKE_SOURCE_DIR}/src/${folder}/*.h
    ${CMAKE_SOURCE_DIR}/src/${folder}/*.qrc)
  add_library(vo_${folder} STATIC ${_src})
  target_include_directories(vo_${folder} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(vo_${folder} PUBLIC ${ARGN})
  target_compile_options(vo_${folder} PRIVATE ${VOSTREL_WARNINGS})
endfunction()

# vostrel_function_folder(folder [deps...] [NO_JOBS_CHECK]): the jobs of src/<folder> as vo_<folder> (engine layer only,
# no Qt Widgets) and its windows of src/<folder>/ui as vo_<folder>_ui (jobs + app).
# vo_<folder>_jobs_check links the jobs into a shared object that must resolve every symbol
# from the engine layer, Qt Core and Qt Sql: a job that reaches for a widget or the app
# layer fails the build there.
function(vostrel_function_folder folder)
  cmake_parse_arguments(F "NO_JOBS_CHECK" "" "" ${ARGN})
  vostrel_library(${folder} vo_data_module ${F_UNPARSED_ARGUMENTS})
  file(GLOB _ui CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/src/${folder}/ui/*.cpp
    ${CMAKE_SOURCE_DIR}/src/${folder}/ui/*.h
    ${CMAKE_SOURCE_DIR}/src/${folder}/ui/*.qrc)
  add_library(vo_${folder}_ui STATIC ${_ui})
  target_link_libraries(vo_${folder}_ui PUBLIC vo_${folder} vo_app)
  target_compile_options(vo_${folder}_ui PRIVATE ${VOSTREL_WARNINGS})

  if(F_NO_JOBS_CHECK)
    return()
  endif()
  add_library(vo_${folder}_jobs_check SHARED ${CMAKE_SOURCE_DIR}/cmake/jobs_check.cpp)
  target_link_libraries(vo_${folder}_jobs_check PRIVATE
    "$<LINK_LIBRARY:WHOLE_ARCHIVE,vo_${folder}>" vo_data_module Qt6::Core Qt6::Sql ${F_UNPARSED_ARGUMENTS})
  target_link_options(vo_${folder}_jobs_check PRIVATE -Wl,--no-undefined)
endfunction()

# vostrel_test(name SOURCES... LIBS...): a QtTest executable run by CTest without a display.
function(vostrel_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} vo_demo_builder Qt6::Test)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/tools)
  target_compile_options(${name} PRIVATE ${VOSTREL_WARNINGS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8"
    TIMEOUT 300)
endfunction()
