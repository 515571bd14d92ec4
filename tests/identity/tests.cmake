# The user id tests read the user's name and clear scratch registry trees (advapi32).
target_link_libraries(${name} PRIVATE advapi32)
