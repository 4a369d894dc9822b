# plugins window tests
