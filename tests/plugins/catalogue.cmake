# catalogue tests
