// The one source of the target that holds the test programs' precompiled GoogleTest header.
