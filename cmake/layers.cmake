# The layers of the setup program reach only downwards: a layer's sources are
# compiled with the include folders of the layers below it and never with
# those above. Each test here compiles cmake/layer_probe.cpp as a source of
# one layer and passes only when the compiler finds that layer's own header
# and then fails on the upper layer's header by name.
#   project_layer_probe(LAYER OWN_HEADER UPPER_HEADER)
function(project_layer_probe layer own upper)
  set(probe layer_probe_${layer}_${upper})
  string(MAKE_C_IDENTIFIER ${probe} probe)
  add_library(${probe} OBJECT EXCLUDE_FROM_ALL ${PROJECT_SOURCE_DIR}/cmake/layer_probe.cpp)
  target_link_libraries(${probe} PRIVATE ${layer})
  target_compile_definitions(${probe} PRIVATE OWN_HEADER="${own}" UPPER_HEADER="${upper}")
  add_test(NAME layer_${layer}_cannot_include_${upper}
           COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target ${probe})
  string(REPLACE "." "\\." upper_pattern ${upper})
  set_tests_properties(layer_${layer}_cannot_include_${upper} PROPERTIES
                       PASS_REGULAR_EXPRESSION "${upper_pattern}: No such file"
                       RESOURCE_LOCK build_tree)
endfunction()

project_layer_probe(platform path_text.h setup_state.h)
project_layer_probe(setup_shared setup_state.h detect_install.h)
project_layer_probe(existing_integration shortcuts.h extract_entry.h)
project_layer_probe(payload_extraction extract_entry.h run_setup.h)
project_layer_probe(payload_extraction extract_entry.h progress_panel.h)
