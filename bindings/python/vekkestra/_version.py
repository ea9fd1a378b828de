"""The package's version: the product's, from the file VERSION at the
repository's root (the build checks that they agree)."""

__version__ = "1.4.0"
