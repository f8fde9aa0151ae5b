// Placeholder for a subsystem folder that holds no source yet.
