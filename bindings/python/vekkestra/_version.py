"""The package's version: the product's, from the file VERSION at the
repository's root. Written by vek_export_list; do not edit."""

__version__ = "1.5.0"
