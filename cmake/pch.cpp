// The object that carries the shared precompiled header.
