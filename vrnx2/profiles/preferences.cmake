# preferences dialog and about box
