# The data-set test calls the generator's parts and reads the Data folder
# the build generates.
if(TARGET dataset_test AND TARGET glimmer_datagen)
  target_link_libraries(dataset_test PRIVATE glimmer_datagen)
  add_dependencies(dataset_test glimmer_data)
endif()
