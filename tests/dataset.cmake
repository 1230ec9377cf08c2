# The data-set tests call the generator's parts and read the Data folder the
# build generates.
foreach(test dataset_test datagen_test)
  if(TARGET ${test} AND TARGET glimmer_datagen)
    target_link_libraries(${test} PRIVATE glimmer_datagen)
    add_dependencies(${test} glimmer_data)
  endif()
endforeach()
