# Installs the library and builds a consumer project against it.
