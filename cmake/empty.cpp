// A module with no sources yet still builds as a library.
