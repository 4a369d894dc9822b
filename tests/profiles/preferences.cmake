# preferences tests
