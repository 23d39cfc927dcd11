# Runs the built veldran-demo end to end.
