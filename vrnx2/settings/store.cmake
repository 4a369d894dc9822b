# Settings store and profile list
