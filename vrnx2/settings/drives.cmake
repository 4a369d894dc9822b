# optical drives
