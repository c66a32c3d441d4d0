// Placeholder translation unit for a subsystem with no sources yet.
