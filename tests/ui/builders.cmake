# builders window tests
