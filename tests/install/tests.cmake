add_dependencies(${name} lite_installer)
