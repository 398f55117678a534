// Placeholder until the engine slot lands.
